// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/Reminders.h"

#include "platform/core/Log.h"
#include "platform/reminders/Reminder.h"
#include "platform/reminders/ReminderCenter.h"
#include "schedule/RepeatModes.h"

using namespace Qt::Literals::StringLiterals;

namespace velkari {

void ScheduleReminder(platform::ReminderCenter &center, const QString &identifier,
                      const QString &name, const QString &number, const QDateTime &fireDate,
                      int repeatIndex, const QString &actionTitle)
{
    platform::Reminder reminder;
    reminder.alertBody = platform::formatString("Send SMS to :\n%@ (%@) ?", {name, number});
    reminder.alertAction = actionTitle;
    reminder.fireDate = fireDate;
    reminder.repeatInterval = RepeatModes::repeatInterval(repeatIndex);
    reminder.soundName = platform::DefaultSoundName;
    reminder.userInfo = {{ReminderIDKey, identifier}};
    reminder.applicationIconBadgeNumber = 1;
    center.scheduleLocalNotification(reminder);
}

void CancelReminders(platform::ReminderCenter &center, const QString &identifier, bool logEachID)
{
    for (const platform::Reminder &reminder : center.scheduledLocalNotifications()) {
        const QVariant id = reminder.userInfo.value(ReminderIDKey);
        const bool isText = id.metaType().id() == QMetaType::QString;
        if (logEachID)
            platform::log("%@", isText ? id.toString() : u"(null)"_s);
        if (isText && id.toString() == identifier)
            center.cancelLocalNotification(reminder);
    }
}

} // namespace velkari
