// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace velkari {

// The six repeat modes by index, as stored in a record's repeat element.
namespace RepeatModes {

constexpr int Count = 6;

// Display names by index; index 4 is spelled "Eevery Month" on purpose, as
// the product always has.
QStringList names();

// The reminder's repeat interval for an index, in the platform's calendar
// units. A fixed table, not a computation: index 3 gives 256, index 4 gives 8.
// Indexes outside the table have none.
int repeatInterval(int index);

// The repeat index a record stores, when its repeat element is there and
// names a mode; 0 ("None") otherwise.
int storedIndex(const QVariant &record);

} // namespace RepeatModes

} // namespace velkari
