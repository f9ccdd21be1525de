// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Log.h"
#include "platform/desktop/DesktopNotifications.h"
#include "platform/reminders/ReminderCenter.h"
#include "platform/shell/Application.h"
#include "platform/shell/ApplicationDelegate.h"
#include "platform/shell/Tray.h"

#include <QApplication>
#include <QTimer>

// How a reminder reaches the delegate: heard at once while a window of ours
// has the keyboard focus, held while the app starts, shown as a notification
// otherwise (hidden, minimised, or shown behind another app or a lock
// screen), and heard as inactive once the user answers it from outside.

namespace platform {

void Application::scheduleLocalNotification(const Reminder &reminder)
{
    reminderCenter()->scheduleLocalNotification(reminder);
}

QList<Reminder> Application::scheduledLocalNotifications() const
{
    return reminderCenter()->scheduledLocalNotifications();
}

void Application::cancelLocalNotification(const Reminder &reminder)
{
    reminderCenter()->cancelLocalNotification(reminder);
}

void Application::reminderFired(const Reminder &reminder)
{
    if (mState != ApplicationState::Background && !mHasBeenInFront) {
        // Starting up: the window is not in front yet. One that never gets
        // the focus (started under a lock screen, or kept behind another
        // app) leaves them to the notification.
        mHeldReminders.append(reminder);
        QTimer::singleShot(StartupFocusWaitMs, this, [this] {
            if (mHasBeenInFront || mTerminated)
                return;
            for (const Reminder &held : std::exchange(mHeldReminders, {}))
                notify(held);
        });
        return;
    }
    // Wayland never tells a client that its window is covered or that the
    // screen is locked, so "shown" says nothing about being seen; the
    // keyboard focus does, on X11 as well. Read now, not from the state,
    // which follows the focus one turn of the event loop later.
    if (mState == ApplicationState::Background || !hasFocus()) {
        notify(reminder);
        return;
    }
    deliver(reminder);
}

bool Application::hasFocus() const
{
    // Any window of ours: the main window, or an alert over it.
    return QApplication::activeWindow() != nullptr;
}

void Application::deliver(const Reminder &reminder, std::optional<ApplicationState> heardAs)
{
    if (mTerminated)
        return;
    // A reminder that fired by itself was not answered yet, so it is never
    // heard as inactive, even while the state has not caught up with the
    // focus.
    if (!heardAs && mState == ApplicationState::Inactive)
        heardAs = ApplicationState::Active;
    const std::optional<ApplicationState> outer = std::exchange(mHeardAs, heardAs);
    mDelegate->didReceiveLocalNotification(*this, reminder);
    mHeardAs = outer;
}

void Application::notify(const Reminder &reminder)
{
    setApplicationIconBadgeNumber(reminder.applicationIconBadgeNumber);
    mNotifiedReminders.insert(mNotifications->showReminder(reminder), reminder);
}

void Application::notificationFailed(const QString &key)
{
    if (!mNotifiedReminders.contains(key))
        return;
    const Reminder reminder = mNotifiedReminders.take(key);
    if (mTray && mTray->showReminder(reminder))
        return;
    // No way to show a notification: the window itself comes up, and the
    // reminder is heard once it is in front.
    log("No notification service; raising the window for a reminder");
    mHeldReminders.append(reminder);
    bringToFront();
}

void Application::answerReminder(const Reminder &reminder)
{
    enterForeground();
    // Heard as inactive whatever has the focus: the user has already said
    // yes to it outside the app.
    deliver(reminder, ApplicationState::Inactive);
    bringToFront();
}

void Application::deliverHeldReminders()
{
    while (!mHeldReminders.isEmpty() && mState != ApplicationState::Background)
        deliver(mHeldReminders.takeFirst());
    while (!mUnanswerable.isEmpty() && mState != ApplicationState::Background)
        deliver(mUnanswerable.takeFirst());
}

} // namespace platform
