// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeNotificationServer.h"

using namespace Qt::Literals::StringLiterals;

FakeNotificationServer::FakeNotificationServer(const QDBusConnection &bus)
    : mBus(bus)
{
    mRegistered =
        mBus.registerObject(u"/org/freedesktop/Notifications"_s, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
        mBus.registerService(u"org.freedesktop.Notifications"_s);
}

FakeNotificationServer::~FakeNotificationServer()
{
    mBus.unregisterService(u"org.freedesktop.Notifications"_s);
    mBus.unregisterObject(u"/org/freedesktop/Notifications"_s);
}

void FakeNotificationServer::invoke(uint id, const QString &action)
{
    Q_EMIT ActionInvoked(id, action);
}

void FakeNotificationServer::dismiss(uint id)
{
    Q_EMIT NotificationClosed(id, 2);
}

uint FakeNotificationServer::Notify(const QString &appName, uint, const QString &,
                                    const QString &summary, const QString &body,
                                    const QStringList &actions, const QVariantMap &hints,
                                    int timeout)
{
    if (onNotify)
        onNotify();
    if (failing) {
        sendErrorReply(QDBusError::Failed, u"cannot show notifications"_s);
        return 0;
    }
    const uint id = mNextId++;
    notifications.append({id, appName, summary, body, actions, hints, timeout});
    return id;
}

void FakeNotificationServer::CloseNotification(uint id)
{
    closedByClient.append(id);
    Q_EMIT NotificationClosed(id, 3);
}

QStringList FakeNotificationServer::GetCapabilities()
{
    return {u"actions"_s, u"body"_s, u"sound"_s};
}

QString FakeNotificationServer::GetServerInformation(QString &vendor, QString &version,
                                                     QString &specVersion)
{
    vendor = u"Velkari tests"_s;
    version = u"1"_s;
    specVersion = u"1.2"_s;
    return u"fake"_s;
}
