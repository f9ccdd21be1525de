// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/core/StandardPaths.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

class QByteArray;

namespace platform {

// One number of a person.
struct PhoneNumber {
    // The number's position among the person's numbers: the same for as long
    // as the card is unchanged, unique within a person, not across people.
    int identifier = 0;

    // A fixed label taken from the card's TYPE parameters: "mobile", "iPhone",
    // "home", "work", "main", "home fax", "work fax", "other fax", "fax",
    // "pager" or "other" (no known type). An Apple label on the same group
    // (itemN.X-ABLabel) wins: its built-in forms (_$!<Mobile>!$_ ...) map to
    // the same fixed labels, any other text is the user's own and kept.
    QString label;

    // As written on the card, spaces, brackets and signs included; of a tel:
    // URI only the number, percent-decoded, without its ;parameters.
    QString value;

    friend bool operator==(const PhoneNumber &a, const PhoneNumber &b)
    {
        return a.identifier == b.identifier && a.label == b.label && a.value == b.value;
    }
    friend bool operator!=(const PhoneNumber &a, const PhoneNumber &b) { return !(a == b); }
};

// A person of the address book. A name part the card does not give is a null
// QString; a part that is given is never empty. The first name is N's given
// name, the last name its family name; a card whose N names nobody (missing
// or all parts empty) gets its FN as first name, so that a company card
// still shows what its owner sees.
class Person {
public:
    QString firstName;
    QString lastName;
    QList<PhoneNumber> phoneNumbers; // in card order
    // The card's UID, null without one; tells the same person in two
    // sources apart from a namesake. Not part of equality.
    QString uid;

    // The position in phoneNumbers of the number with this identifier; -1
    // when the person has none.
    qsizetype indexOfPhoneNumber(int identifier) const;

    // What the app shows: first and last name joined by a blank, or, for a
    // person without names, the first number.
    QString displayName() const;

    friend bool operator==(const Person &a, const Person &b)
    {
        return a.firstName == b.firstName && a.lastName == b.lastName &&
               a.firstName.isNull() == b.firstName.isNull() &&
               a.lastName.isNull() == b.lastName.isNull() && a.phoneNumbers == b.phoneNumbers;
    }
    friend bool operator!=(const Person &a, const Person &b) { return !(a == b); }
};

// The device's address book, read only, merged from the contact folders:
// KDE's kpeoplevcard read as KPeople reads it (its vCard files, *.vcf and
// *.vcard, in it and in every folder below it), then Velkari's own folder
// (its *.vcf files, no subfolders). Names match without case; hidden files
// and folders are not read. vCard 2.1, 3.0 and 4.0 are read as real exports
// write them. A card that cannot be read (BEGIN without END, a BEGIN inside
// it) is skipped, never the rest of its file; lines that are not properties
// are ignored; a card with neither a name nor a number is left out.
//
// Text without a CHARSET (or with one not listed below) is UTF-8 when its
// bytes are valid UTF-8 and windows-1252 otherwise, which reads Latin-1
// exports. Known charsets: UTF-8, US-ASCII, ISO-8859-1 (read as its
// superset windows-1252), windows-1252 and ISO-8859-15. A file may start
// with a UTF-8 or UTF-16 byte-order mark.
class AddressBook {
public:
    // Bounds on what a file can make us read and keep. Beyond them the rest
    // is dropped: the first bytes of a file, the first numbers of a person,
    // the first files and folders in reading order (a folder's files, then
    // its subfolders, each by name).
    static constexpr qint64 MaximumFileSize = 32 * 1024 * 1024;   // a card cut there is lost
    static constexpr qint64 MaximumTotalSize = 128 * 1024 * 1024; // all files together
    static constexpr int MaximumFiles = 10000;   // per contact folder, subfolders included
    static constexpr int MaximumFolders = 1000;  // below one contact folder
    static constexpr int MaximumFolderDepth = 8; // folders below the contact folder
    static constexpr int MaximumPeople = 20000;
    static constexpr int MaximumPhoneNumbers = 32;  // per person
    static constexpr int MaximumNumberLength = 128; // longer "numbers" are dropped, not cut
    static constexpr int MaximumTextLength = 256;   // longer names and labels are cut

    AddressBook() = default;

    // The folders load() reads, in the order their people are taken.
    static QStringList contactFolders();

    // A folder to read: its own vCard files only, or, as KPeople reads
    // kpeoplevcard, those of every folder below it too. Each folder of a
    // tree counts as a folder of its own when people are merged.
    struct Folder {
        QString path;
        bool withSubfolders = false;
    };

    // Reads the contact folders.
    static AddressBook load();
    // Reads the folder, without subfolders. A missing or unreadable folder
    // gives an empty book; files that cannot be read are skipped. Never
    // creates anything.
    static AddressBook load(const QString &directory);
    // Reads the folders and merges them: a person already taken from an
    // earlier folder (same UID, or same names and same numbers) is left out.
    static AddressBook load(const QStringList &directories);
    static AddressBook load(const QList<Folder> &folders);

    // Drops from people those that already are in taken (same UID, or same
    // names and numbers in the same order).
    static QList<Person> withoutDuplicates(const QList<Person> &people, const QList<Person> &taken);

    // One person as a source other than a card holds it: the structured
    // name's parts, the formatted name, the UID and the numbers with their
    // vCard TYPE values. Cleaned and bounded as a card's; nullopt when it has
    // neither a name nor a number.
    struct Record {
        QString givenName;
        QString familyName;
        QString formattedName;
        QString uid;
        QList<std::pair<QList<QByteArray>, QString>> numbers; // TYPE values, number
    };
    static std::optional<Person> personFromRecord(const Record &record);

    // The people of a live source (Evolution Data Server) first, then those
    // of the folders that are not already there; sorted for display.
    static AddressBook merged(const QList<Person> &first, const AddressBook &folders);

    // The people of one file's bytes, in file order, at most MaximumPeople.
    static QList<Person> parseVCards(const QByteArray &bytes);

    // Display order: by last name, then first name, ignoring case, in the
    // locale's collation. A person without a last name sorts by first name,
    // one without names by the number shown. Equal people keep their order.
    static void sortForDisplay(QList<Person> &people, const QLocale &locale = QLocale());

    // Sorted for display in the default locale of the time of load().
    QList<Person> people() const { return mPeople; }
    bool isEmpty() const { return mPeople.isEmpty(); }

    // What load() went through, for a watcher: the folders listed
    // (subfolders included, each once, by the path it was reached by) and
    // their vCard files.
    QStringList folders() const { return mFolders; }
    QStringList files() const { return mFiles; }

private:
    QList<Person> mPeople;
    QStringList mFolders;
    QStringList mFiles;
};

} // namespace platform
