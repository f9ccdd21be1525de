// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/reminders/Reminder.h"
#include "platform/shell/RegistryAlerts.h"

#include <QObject>
#include <QPointer>

class QWindow;

namespace platform {

class LifeEvents;
class ReminderCenter;
class Window;

// The app's reminder centre: made on first use, read and started once the
// first rows are on the screen, and what a reading kept aside told the user.
class LocalNotifications : public QObject {
    Q_OBJECT

public:
    LocalNotifications(const LifeEvents &life, QObject *parent);

    ReminderCenter *center();

    // Reads the registry once the window shown at start is drawn (or at
    // once when there is none to wait for): parsing it, or waiting while the
    // reminder service holds it, must not delay the first rows.
    void openAfterFirstPaint(Window *window);

Q_SIGNALS:
    void reminderFired(const platform::Reminder &reminder);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static constexpr int FirstPaintWaitMs = 1000;

    // Reads the registry, tells the user what could not be read, and starts
    // firing: once.
    void open();

    const LifeEvents &mLife;
    ReminderCenter *mCenter = nullptr;
    bool mOpen = false;
    QPointer<QWindow> mFirstExpose;
    RegistryAlerts mAlerts;
};

} // namespace platform
