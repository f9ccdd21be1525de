// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QProcessEnvironment>
#include <QStringList>

#include <optional>

namespace platform {

struct Reminder;

// Notifications of the desktop (org.freedesktop.Notifications on the session
// bus). Nothing here blocks: every answer arrives as a signal, and a missing
// bus or notification service arrives as failed().
class DesktopNotifications : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotifications(const QDBusConnection &bus, QObject *parent = nullptr);

    // Shows a reminder as a notification: a summary that names no one (it
    // is read on a lock screen), the reminder's text as the body, one button
    // with its action, its sound. The key returned names it in the signals
    // that follow.
    QString showReminder(const Reminder &reminder);

    // The hints a reminder's notification carries.
    static QVariantMap reminderHints(const Reminder &reminder);

Q_SIGNALS:
    // The user answered it; token is the activation token the server sent
    // for it (empty when it sent none), for the window that comes up.
    void answered(const QString &key, const QString &activationToken);
    // The notification server took it: it is on the screen.
    void shown(const QString &key);
    // Shown by a server that has no buttons: nobody can answer it.
    void shownWithoutAnswer(const QString &key);
    void closed(const QString &key);
    void failed(const QString &key, const QString &reason);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString &action);
    void onActivationToken(uint id, const QString &token);
    void onNotificationClosed(uint id, uint reason);

private:
    struct Pending {
        QString key;
        QString body;
        QString action;
        QVariantMap hints;
    };
    void askCapabilities();
    void send(const Pending &notification);

    QDBusConnection mBus;
    QHash<uint, QString> mKeys;
    QHash<uint, QString> mTokens;
    quint64 mLastKey = 0;
    // What the server can do, asked once; notifications wait for the answer.
    std::optional<QStringList> mCapabilities;
    bool mAskingCapabilities = false;
    QList<Pending> mWaiting;
    bool mSaidNoActions = false;
};

// The environment for a program started on the user's behalf: the process's
// own, without a start token it was given (spent, and not the other
// program's to use), with token in its place when one came: as
// XDG_ACTIVATION_TOKEN for Wayland and DESKTOP_STARTUP_ID for X11.
QProcessEnvironment startEnvironment(const QString &token = QString());

} // namespace platform
