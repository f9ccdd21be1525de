// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/contacts/AddressBook.h"

#include <QByteArray>
#include <QStringList>

// "first / last | label: value | ...", a missing name part as ∅: people as
// tests compare them.
inline QStringList describe(const QList<platform::Person> &people)
{
    using namespace Qt::Literals::StringLiterals;
    QStringList lines;
    for (const platform::Person &person : people) {
        auto part = [](const QString &text) {
            return text.isNull() ? u"∅"_s : text;
        };
        QString line = part(person.firstName) + u" / "_s + part(person.lastName);
        for (const platform::PhoneNumber &number : person.phoneNumbers)
            line += u" | "_s + number.label + u": "_s + number.value;
        lines.append(line);
    }
    return lines;
}

// A contact made on a Plasma phone, as KPeople saves it: what KContacts'
// VCardConverter writes (vCard 3.0, properties in name order, CRLF), in
// kpeoplevcard/own/ as "contact.vcard", "contact (1).vcard" when that name is
// taken (KDE/kpeoplevcard, src/kpeoplevcard.cpp, VCardDataSource::addContact).
inline QByteArray kpeopleCard(const QByteArray &given, const QByteArray &family,
                              const QByteArray &mobile, const QByteArray &uid)
{
    return "BEGIN:VCARD\r\nFN:" + given + ' ' + family + "\r\nN:" + family + ';' + given +
           ";;;\r\nTEL;TYPE=CELL:" + mobile + "\r\nUID:" + uid + "\r\nVERSION:3.0\r\nEND:VCARD\r\n";
}

// A contact of a paired Android phone as KDE Connect keeps it, in
// kpeoplevcard/kdeconnect-<device id>/<lookup key>.vcf: Android's own vCard
// 2.1 (CRLF) without its END, then the lines KDE Connect adds, each ended by a
// bare LF, then END:VCARD with no line end (KDE/kdeconnect-android,
// ContactsHelper.VCardBuilder and the contacts plugin's addVCardMetadata;
// the desktop side, KDE/kdeconnect-kde plugins/contacts, writes it as it
// comes). Newer phones write REV where older ones wrote the timestamp.
inline QByteArray kdeConnectCard(const QByteArray &android21Properties, const QByteArray &deviceId,
                                 const QByteArray &lookupKey, bool rev = false)
{
    return "BEGIN:VCARD\r\nVERSION:2.1\r\n" + android21Properties + "X-KDECONNECT-ID-DEV-" +
           deviceId + ':' + lookupKey + '\n' + (rev ? "REV:" : "X-KDECONNECT-TIMESTAMP:") +
           "1700000000000\nEND:VCARD";
}
