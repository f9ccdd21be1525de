// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the vCard reader. Besides crashes, hangs and
// leaks, a reading that breaks one of the address book's promises aborts,
// so the fuzzer keeps it as a finding.
#include "platform/contacts/AddressBook.h"

#include <QByteArray>
#include <QLocale>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using platform::AddressBook;
using platform::Person;

namespace {

bool validText(const QString &text, qsizetype limit)
{
    return !text.isEmpty() && text.size() <= limit && text == text.simplified();
}

bool keepsPromises(const QList<Person> &people)
{
    if (people.size() > AddressBook::MaximumPeople)
        return false;
    for (const Person &person : people) {
        if (person.firstName.isNull() && person.lastName.isNull() && person.phoneNumbers.isEmpty())
            return false;
        if (!person.firstName.isNull() &&
            !validText(person.firstName, AddressBook::MaximumTextLength))
            return false;
        if (!person.lastName.isNull() &&
            !validText(person.lastName, AddressBook::MaximumTextLength))
            return false;
        if (person.phoneNumbers.size() > AddressBook::MaximumPhoneNumbers)
            return false;
        for (qsizetype i = 0; i < person.phoneNumbers.size(); ++i) {
            const auto &number = person.phoneNumbers[i];
            if (person.indexOfPhoneNumber(number.identifier) != i)
                return false;
            if (!validText(number.label, AddressBook::MaximumTextLength))
                return false;
            if (number.value.isEmpty() || number.value.size() > AddressBook::MaximumNumberLength ||
                number.value != number.value.trimmed())
                return false;
            for (const QChar c : number.value) {
                if (c.category() == QChar::Other_Control)
                    return false;
            }
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // No copy, and no terminating NUL for the reader to lean on.
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<Person> people = AddressBook::parseVCards(bytes);
    if (!keepsPromises(people))
        std::abort();
    // Sorting compares whatever text the cards held.
    AddressBook::sortForDisplay(people, QLocale(QLocale::Swedish, QLocale::Sweden));
    return 0;
}
