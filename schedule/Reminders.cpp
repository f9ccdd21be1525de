#include "Reminders.h"

#include "RepeatModes.h"
#include "platform/Log.h"
#include "platform/Reminder.h"
#include "platform/ReminderCenter.h"

using namespace Qt::Literals::StringLiterals;

void ScheduleReminder(const QString &identifier, const QString &name, const QString &number,
                      const QDateTime &fireDate, int repeatIndex, const QString &actionTitle)
{
    platform::ReminderCenter *center = platform::ReminderCenter::shared();
    if (!center)
        return;
    platform::Reminder reminder;
    reminder.alertBody = platform::formatString("Send SMS to :\n%@ (%@) ?", {name, number});
    reminder.alertAction = actionTitle;
    reminder.fireDate = fireDate;
    reminder.repeatInterval = RepeatModes::repeatInterval(repeatIndex);
    reminder.soundName = platform::DefaultSoundName;
    reminder.userInfo = {{ReminderIDKey, identifier}};
    reminder.applicationIconBadgeNumber = 1;
    center->scheduleLocalNotification(reminder);
}

void CancelReminders(const QString &identifier, bool logEachID)
{
    platform::ReminderCenter *center = platform::ReminderCenter::shared();
    if (!center)
        return;
    for (const platform::Reminder &reminder : center->scheduledLocalNotifications()) {
        const QVariant id = reminder.userInfo.value(ReminderIDKey);
        const bool isText = id.metaType().id() == QMetaType::QString;
        if (logEachID)
            platform::log("%@", isText ? id.toString() : u"(null)"_s);
        if (isText && id.toString() == identifier)
            center->cancelLocalNotification(reminder);
    }
}
