// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QVariant>
#include <QVariantList>

#include <optional>

namespace velkari {

// A schedule is upcoming when it is unsent with a moment strictly later than
// now, or when it repeats (any repeat index but 0).
bool isUpcoming(const QVariant &record, const QDateTime &now);

// The number of upcoming schedules, reading the clock afresh for each record.
// An absent list counts 0.
int countUpcoming(const std::optional<QVariantList> &list);

} // namespace velkari
