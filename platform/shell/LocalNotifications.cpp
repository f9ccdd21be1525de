// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/LocalNotifications.h"

#include "platform/reminders/ReminderCenter.h"
#include "platform/shell/LifeEvents.h"
#include "platform/ui/Window.h"

#include <QEvent>
#include <QTimer>
#include <QWindow>

namespace platform {

LocalNotifications::LocalNotifications(const LifeEvents &life, QObject *parent)
    : QObject(parent)
    , mLife(life)
{
}

ReminderCenter *LocalNotifications::center()
{
    if (!mCenter) {
        // Made on first use: at the latest once the first rows are drawn.
        mCenter = new ReminderCenter(ReminderCenter::defaultRegistryPath(), this);
        connect(mCenter, &ReminderCenter::reminderFired, this, &LocalNotifications::reminderFired);
    }
    return mCenter;
}

void LocalNotifications::openAfterFirstPaint(Window *window)
{
    QWindow *shown = window && window->isVisible() ? window->windowHandle() : nullptr;
    if (shown && !shown->isExposed()) {
        mFirstExpose = shown;
        shown->installEventFilter(this);
        // A window the desktop never draws (minimised at start) waits no longer.
        QTimer::singleShot(FirstPaintWaitMs, this, &LocalNotifications::open);
    } else {
        QMetaObject::invokeMethod(this, &LocalNotifications::open, Qt::QueuedConnection);
    }
}

void LocalNotifications::open()
{
    if (mOpen || mLife.isTerminated())
        return;
    mOpen = true;
    if (mFirstExpose)
        mFirstExpose->removeEventFilter(this);
    ReminderCenter *reminders = center();
    // Found now, or once the reminder service lets go of the registry.
    connect(reminders, &ReminderCenter::problemsFound, this, [this] { mAlerts.report(*mCenter); });
    mAlerts.report(*reminders);
    reminders->start();
}

bool LocalNotifications::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mFirstExpose && event->type() == QEvent::Expose) {
        // Drawn while this event is handled; the registry comes after.
        QMetaObject::invokeMethod(this, &LocalNotifications::open, Qt::QueuedConnection);
    }
    return false;
}

} // namespace platform
