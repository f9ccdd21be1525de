// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/UpcomingCount.h"

#include "platform/core/Clock.h"
#include "schedule/ScheduleRecord.h"

namespace velkari {

bool isUpcoming(const QVariant &record, const QDateTime &now)
{
    const int status = recordInt(record, ScheduleField::Status);
    const QDateTime date = recordDate(record, ScheduleField::Date);
    const int repeat = recordInt(record, ScheduleField::Repeat);
    // A record without a date has no moment ahead of now.
    return (status == 0 && date.isValid() && now < date) || repeat != 0;
}

int countUpcoming(const std::optional<QVariantList> &list)
{
    if (!list)
        return 0;
    int count = 0;
    for (qsizetype i = 0; i < list->size(); ++i) {
        if (isUpcoming(list->at(i), platform::Clock::now()))
            ++count;
    }
    return count;
}

} // namespace velkari
