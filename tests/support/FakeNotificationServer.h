// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

// Stands in for the desktop's notification server
// (org.freedesktop.Notifications) on a private bus: writes down every
// notification and lets the test answer or dismiss it as a user would.
class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notification {
        uint id;
        QString appName;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout;
    };

    explicit FakeNotificationServer(const QDBusConnection &bus);
    ~FakeNotificationServer() override;

    bool isRegistered() const { return mRegistered; }
    // Answers Notify with an error, as a broken server does.
    bool failing = false;
    QList<Notification> notifications;
    QList<uint> closedByClient;
    // Called as each Notify arrives, before it is answered.
    std::function<void()> onNotify;

    // The user presses the action (or clicks the notification).
    void invoke(uint id, const QString &action);
    // The user dismisses it.
    void dismiss(uint id);

public Q_SLOTS:
    uint Notify(const QString &appName, uint replacesId, const QString &icon,
                const QString &summary, const QString &body, const QStringList &actions,
                const QVariantMap &hints, int timeout);
    void CloseNotification(uint id);
    QStringList GetCapabilities();
    QString GetServerInformation(QString &vendor, QString &version, QString &specVersion);

Q_SIGNALS:
    void ActionInvoked(uint id, const QString &action);
    void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection mBus;
    bool mRegistered = false;
    uint mNextId = 1;
};
