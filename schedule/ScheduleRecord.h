// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QVariant>

namespace velkari {

// A schedule record is a QVariantList addressed by position. Stored files
// may hold anything at any position (short records, other types, records
// that are not lists at all); the readers below treat a missing or
// wrong-typed element as absent and never index past the end.
namespace ScheduleField {
enum : int {
    ID = 0,
    Name = 1,
    Number = 2,
    Date = 3,
    Text = 4,
    Status = 5,
    Repeat = 6,
    Count = 7,
};
} // namespace ScheduleField

// The integer value of a text as the platform's intValue reads it: optional
// leading white space and sign, then decimal digits up to the first other
// character; 0 when there are none. Out of range values saturate.
int intValue(QStringView text);

// The record's elements as a list, or nullptr when the record is no list.
const QVariantList *recordElements(const QVariant &record);

// The element at position as text; "" when absent or not a string.
QString recordText(const QVariant &record, int position);

// The element at position as a date; an invalid date when absent or not a date.
QDateTime recordDate(const QVariant &record, int position);

// intValue of the element at position; 0 when absent or not a string.
int recordInt(const QVariant &record, int position);

} // namespace velkari
