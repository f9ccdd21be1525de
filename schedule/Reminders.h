// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

namespace platform {
class ReminderCenter;
}

namespace velkari {

// The key under which a reminder carries its schedule's ID: the only link
// between the two.
inline const QString ReminderIDKey = QStringLiteral("ID");

// Registers the reminder of one schedule with the centre (the app's is
// Application::reminderCenter()): it fires at the schedule's moment, repeats
// with its repeat mode, shows the recipient and carries the schedule's ID.
void ScheduleReminder(platform::ReminderCenter &center, const QString &identifier,
                      const QString &name, const QString &number, const QDateTime &fireDate,
                      int repeatIndex, const QString &actionTitle);

// Withdraws every registered reminder whose ID is exactly the identifier.
// logEachID writes the ID of every registered reminder to the log, each on a
// line of its own, before it is compared.
void CancelReminders(platform::ReminderCenter &center, const QString &identifier,
                     bool logEachID = false);

} // namespace velkari
