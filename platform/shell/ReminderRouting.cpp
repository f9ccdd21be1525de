// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/ReminderRouting.h"

#include "platform/core/Logging.h"
#include "platform/desktop/DesktopNotifications.h"
#include "platform/shell/ApplicationDelegate.h"
#include "platform/shell/IconBadge.h"
#include "platform/shell/LifeEvents.h"
#include "platform/shell/Tray.h"
#include "platform/shell/WindowActivation.h"

#include <QDBusConnection>
#include <QTimer>

namespace platform {

ReminderRouting::ReminderRouting(Application &application, ApplicationDelegate &delegate,
                                 LifeEvents &life, IconBadge &badge, WindowActivation &activation,
                                 QObject *parent)
    : QObject(parent)
    , mApplication(application)
    , mDelegate(delegate)
    , mLife(life)
    , mBadge(badge)
    , mActivation(activation)
    , mNotifications(new DesktopNotifications(QDBusConnection::sessionBus(), this))
{
    connect(mNotifications, &DesktopNotifications::answered, this,
            [this](const QString &key, const QString &token) {
                if (!mNotifiedReminders.contains(key))
                    return;
                WindowActivation::setToken(token);
                answer(mNotifiedReminders.take(key));
            });
    connect(mNotifications, &DesktopNotifications::closed, this,
            [this](const QString &key) { mNotifiedReminders.remove(key); });
    // Nobody can answer it there: heard once the user brings the app up.
    connect(mNotifications, &DesktopNotifications::shownWithoutAnswer, this,
            [this](const QString &key) {
                if (mNotifiedReminders.contains(key))
                    mUnanswerable.append(mNotifiedReminders.take(key));
            });
    connect(mNotifications, &DesktopNotifications::failed, this,
            &ReminderRouting::notificationFailed);
}

void ReminderRouting::reminderFired(const Reminder &reminder)
{
    const ApplicationState state = mLife.state();
    if (state != ApplicationState::Background && !mLife.hasBeenInFront()) {
        // Starting up: the window is not in front yet. One that never gets
        // the focus (started under a lock screen, or kept behind another
        // app) leaves them to the notification.
        mHeldReminders.append(reminder);
        QTimer::singleShot(StartupFocusWaitMs, this, [this] {
            if (mLife.hasBeenInFront() || mLife.isTerminated())
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
    if (state == ApplicationState::Background || !WindowActivation::hasFocus()) {
        notify(reminder);
        return;
    }
    deliver(reminder);
}

void ReminderRouting::deliver(const Reminder &reminder, std::optional<ApplicationState> heardAs)
{
    if (mLife.isTerminated())
        return;
    // A reminder that fired by itself was not answered yet, so it is never
    // heard as inactive, even while the state has not caught up with the
    // focus.
    if (!heardAs && mLife.state() == ApplicationState::Inactive)
        heardAs = ApplicationState::Active;
    const std::optional<ApplicationState> outer = std::exchange(mHeardAs, heardAs);
    mDelegate.didReceiveLocalNotification(mApplication, reminder);
    mHeardAs = outer;
}

void ReminderRouting::notify(const Reminder &reminder)
{
    mBadge.setNumber(reminder.applicationIconBadgeNumber);
    mNotifiedReminders.insert(mNotifications->showReminder(reminder), reminder);
}

void ReminderRouting::notificationFailed(const QString &key, const QString &reason)
{
    if (!mNotifiedReminders.contains(key))
        return;
    const Reminder reminder = mNotifiedReminders.take(key);
    if (mTray && mTray->showReminder(reminder))
        return;
    // No way to show a notification: the window itself comes up, and the
    // reminder is heard once it is in front.
    qCWarning(lcShell, "No notification service (%s); raising the window for a reminder",
              qUtf8Printable(reason));
    mHeldReminders.append(reminder);
    mActivation.bringToFront();
}

void ReminderRouting::answer(const Reminder &reminder)
{
    mLife.enterForeground();
    // Heard as inactive whatever has the focus: the user has already said
    // yes to it outside the app.
    deliver(reminder, ApplicationState::Inactive);
    mActivation.bringToFront();
}

void ReminderRouting::deliverHeld()
{
    while (!mHeldReminders.isEmpty() && mLife.state() != ApplicationState::Background)
        deliver(mHeldReminders.takeFirst());
    while (!mUnanswerable.isEmpty() && mLife.state() != ApplicationState::Background)
        deliver(mUnanswerable.takeFirst());
}

void ReminderRouting::notifyHeld()
{
    for (const Reminder &reminder : std::exchange(mHeldReminders, {}))
        notify(reminder);
}

} // namespace platform
