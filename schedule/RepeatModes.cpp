// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/RepeatModes.h"

#include "platform/reminders/Reminder.h"
#include "schedule/ScheduleRecord.h"

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace velkari {

namespace RepeatModes {

QStringList names()
{
    return {u"None"_s,       u"Every Hour"_s,   u"Every Day"_s,
            u"Every Week"_s, u"Eevery Month"_s, u"Every Year"_s};
}

int repeatInterval(int index)
{
    namespace Unit = platform::CalendarUnit;
    static constexpr std::array<int, Count> intervals{Unit::None, Unit::Hour,  Unit::Day,
                                                      Unit::Week, Unit::Month, Unit::Year};
    return index >= 0 && index < Count ? intervals[size_t(index)] : Unit::None;
}

int storedIndex(const QVariant &record)
{
    const QVariantList *elements = recordElements(record);
    const int index = recordInt(record, ScheduleField::Repeat);
    const bool named =
        elements && elements->size() > ScheduleField::Repeat && index >= 0 && index < Count;
    return named ? index : 0;
}

} // namespace RepeatModes

} // namespace velkari
