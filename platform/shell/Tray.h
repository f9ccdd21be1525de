// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/reminders/Reminder.h"

#include <QObject>

#include <optional>

class QSystemTrayIcon;

namespace platform {

class Window;

// The app's icon in the desktop's system tray: brings the window back,
// quits, shows the upcoming count, and shows a reminder as its message when
// no notification service can.
class Tray : public QObject {
    Q_OBJECT

public:
    // nullptr when the desktop has no system tray.
    static Tray *create(Window *window, QObject *parent);

    void setBadgeNumber(int number);
    // False when this tray cannot show messages.
    bool showReminder(const Reminder &reminder);

Q_SIGNALS:
    void showRequested();
    void quitRequested();
    void reminderAnswered(const platform::Reminder &reminder);

private:
    Tray(Window *window, QObject *parent);

    QSystemTrayIcon *mIcon;
    std::optional<Reminder> mShownReminder;
};

} // namespace platform
