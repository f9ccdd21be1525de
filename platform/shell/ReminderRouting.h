// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/reminders/Reminder.h"
#include "platform/shell/ApplicationState.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <optional>

namespace platform {

class Application;
class ApplicationDelegate;
class DesktopNotifications;
class IconBadge;
class LifeEvents;
class Tray;
class WindowActivation;

// How a reminder reaches the delegate: heard at once while a window of ours
// has the keyboard focus, held while the app starts, shown as a notification
// otherwise (hidden, minimised, or shown behind another app or a lock
// screen), and heard as inactive once the user answers it from outside.
class ReminderRouting : public QObject {
    Q_OBJECT

public:
    // The delegate hears the reminders, given the application.
    ReminderRouting(Application &application, ApplicationDelegate &delegate, LifeEvents &life,
                    IconBadge &badge, WindowActivation &activation, QObject *parent);

    // The state the delegate is told while it hears a reminder: how the
    // reminder came, not where the focus happens to be.
    std::optional<ApplicationState> heardAs() const { return mHeardAs; }

    // Where a reminder goes when no notification service can show it.
    void setTray(Tray *tray) { mTray = tray; }

    void reminderFired(const Reminder &reminder);
    void answer(const Reminder &reminder);
    // The app came to the front: what waited for it is heard now.
    void deliverHeld();
    // The app went to the background: what waited for the window now waits
    // for the user.
    void notifyHeld();

private:
    // How long a starting app waits for the focus before a reminder that
    // came meanwhile becomes a notification.
    static constexpr int StartupFocusWaitMs = 3000;

    void deliver(const Reminder &reminder, std::optional<ApplicationState> heardAs = {});
    void notify(const Reminder &reminder);
    void notificationFailed(const QString &key, const QString &reason);

    Application &mApplication;
    ApplicationDelegate &mDelegate;
    LifeEvents &mLife;
    IconBadge &mBadge;
    WindowActivation &mActivation;
    DesktopNotifications *mNotifications;
    Tray *mTray = nullptr;
    std::optional<ApplicationState> mHeardAs;
    // Reminders that came while the app was starting, or whose notification
    // could only be shown by raising the window: heard once it is in front.
    QList<Reminder> mHeldReminders;
    // Shown where nobody can answer them: heard once the user brings the
    // app to the front.
    QList<Reminder> mUnanswerable;
    QHash<QString, Reminder> mNotifiedReminders;
};

} // namespace platform
