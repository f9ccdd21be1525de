// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>

namespace platform {

struct Reminder;

// Notifications of the desktop (org.freedesktop.Notifications on the session
// bus). Nothing here blocks: every answer arrives as a signal, and a missing
// bus or notification service arrives as failed().
class DesktopNotifications : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotifications(const QDBusConnection &bus, QObject *parent = nullptr);

    // Shows a reminder as a notification ("Velkari", its text, one button
    // with its action, its sound); the key returned names it in the signals
    // that follow.
    QString showReminder(const Reminder &reminder);

Q_SIGNALS:
    void answered(const QString &key);
    // The notification server took it: it is on the screen.
    void shown(const QString &key);
    void closed(const QString &key);
    void failed(const QString &key, const QString &reason);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString &action);
    void onNotificationClosed(uint id, uint reason);

private:
    QDBusConnection mBus;
    QHash<uint, QString> mKeys;
    quint64 mLastKey = 0;
};

} // namespace platform
