// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/contacts/AddressBook.h"

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
