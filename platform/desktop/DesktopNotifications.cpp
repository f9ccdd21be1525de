// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/DesktopNotifications.h"

#include "platform/reminders/Reminder.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

const QString service = u"org.freedesktop.Notifications"_s;
const QString path = u"/org/freedesktop/Notifications"_s;
const QString interface = u"org.freedesktop.Notifications"_s;

// Clicking the notification itself answers it as the button does.
const QString defaultAction = u"default"_s;
const QString answerAction = u"answer"_s;

constexpr int callTimeoutMs = 5000;

} // namespace

DesktopNotifications::DesktopNotifications(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , mBus(bus)
{
    if (mBus.isConnected()) {
        mBus.connect(service, path, interface, u"ActionInvoked"_s, this,
                     SLOT(onActionInvoked(uint, QString)));
        mBus.connect(service, path, interface, u"NotificationClosed"_s, this,
                     SLOT(onNotificationClosed(uint, uint)));
    }
}

QString DesktopNotifications::showReminder(const Reminder &reminder)
{
    const QString key = QString::number(++mLastKey);
    const QString &soundName = reminder.soundName;
    if (!mBus.isConnected()) {
        QMetaObject::invokeMethod(
            this, [this, key] { Q_EMIT failed(key, u"no session bus"_s); }, Qt::QueuedConnection);
        return key;
    }
    QVariantMap hints{
        {u"desktop-entry"_s, QStringLiteral(VELKARI_APP_ID)},
        {u"urgency"_s, QVariant::fromValue<uchar>(1)},
    };
    if (soundName == DefaultSoundName)
        hints.insert(u"sound-name"_s, u"message-new-instant"_s);
    else if (!soundName.isEmpty())
        hints.insert(u"sound-name"_s, soundName);

    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, u"Notify"_s);
    call << u"Velkari"_s << uint(0) << QStringLiteral(VELKARI_APP_ID) << u"Velkari"_s
         << reminder.alertBody
         << QStringList{defaultAction, reminder.alertAction, answerAction, reminder.alertAction}
         << hints << int(0); // stays until answered or dismissed
    auto *watcher = new QDBusPendingCallWatcher(mBus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, key](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                const QDBusPendingReply<uint> reply = *w;
                if (reply.isError())
                    Q_EMIT failed(key, reply.error().message());
                else {
                    mKeys.insert(reply.value(), key);
                    Q_EMIT shown(key);
                }
            });
    return key;
}

void DesktopNotifications::onActionInvoked(uint id, const QString &action)
{
    if (action != defaultAction && action != answerAction)
        return;
    const QString key = mKeys.take(id);
    if (key.isEmpty())
        return;
    // Some servers keep a notification whose action was used.
    mBus.asyncCall(QDBusMessage::createMethodCall(service, path, interface, u"CloseNotification"_s)
                   << id);
    Q_EMIT answered(key);
}

void DesktopNotifications::onNotificationClosed(uint id, uint)
{
    const QString key = mKeys.take(id);
    if (!key.isEmpty())
        Q_EMIT closed(key);
}

} // namespace platform
