// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/DesktopNotifications.h"

#include "platform/core/Logging.h"
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
        // GNOME Shell and Plasma send it just before ActionInvoked.
        mBus.connect(service, path, interface, u"ActivationToken"_s, this,
                     SLOT(onActivationToken(uint, QString)));
        mBus.connect(service, path, interface, u"NotificationClosed"_s, this,
                     SLOT(onNotificationClosed(uint, uint)));
    }
}

QVariantMap DesktopNotifications::reminderHints(const Reminder &reminder)
{
    QVariantMap hints{
        {u"desktop-entry"_s, QStringLiteral(VELKARI_APP_ID)},
        {u"urgency"_s, QVariant::fromValue<uchar>(1)},
        // The notification standard has no class for reminders; this one is
        // about a text message, and the one for messages is what Phosh
        // (notify-feedback.c) turns into the message sound and vibration,
        // and into the blinking light while the phone is locked, instead of
        // its generic feedback. Phosh ignores sound-name.
        {u"category"_s, u"im.received"_s},
    };
    const QString &soundName = reminder.soundName;
    if (soundName == DefaultSoundName)
        hints.insert(u"sound-name"_s, u"message-new-instant"_s);
    else if (!soundName.isEmpty())
        hints.insert(u"sound-name"_s, soundName);
    else
        hints.insert(u"suppress-sound"_s, true);
    return hints;
}

QString DesktopNotifications::showReminder(const Reminder &reminder)
{
    const QString key = QString::number(++mLastKey);
    if (!mBus.isConnected()) {
        QMetaObject::invokeMethod(
            this, [this, key] { Q_EMIT failed(key, u"no session bus"_s); }, Qt::QueuedConnection);
        return key;
    }
    const Pending notification{key, reminder.alertBody, reminder.alertAction,
                               reminderHints(reminder)};
    if (mCapabilities) {
        send(notification);
        return key;
    }
    mWaiting.append(notification);
    askCapabilities();
    return key;
}

void DesktopNotifications::askCapabilities()
{
    if (mAskingCapabilities)
        return;
    mAskingCapabilities = true;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, interface, u"GetCapabilities"_s);
    auto *watcher = new QDBusPendingCallWatcher(mBus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        mAskingCapabilities = false;
        const QDBusPendingReply<QStringList> reply = *w;
        // No answer: Notify is tried anyway and reports for itself;
        // the question is asked again with the next notification.
        if (reply.isValid())
            mCapabilities = reply.value();
        for (const Pending &notification : std::exchange(mWaiting, {}))
            send(notification);
    });
}

void DesktopNotifications::send(const Pending &notification)
{
    // Unknown (the server did not answer): as most servers do.
    const QStringList capabilities = mCapabilities.value_or(QStringList{u"actions"_s, u"body"_s});
    const bool answerable = capabilities.contains(u"actions"_s);
    QString body = notification.body;
    if (!answerable) {
        if (!mSaidNoActions)
            qCInfo(lcDesktop, "The notification server shows no buttons; reminders are shown "
                              "with a word to open Velkari instead.");
        mSaidNoActions = true;
        body += u"\n"_s + tr("Open Velkari to prepare the message.");
    }
    // A name with < or & is text, not markup, to a server that reads markup.
    if (capabilities.contains(u"body-markup"_s))
        body = body.toHtmlEscaped();

    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, u"Notify"_s);
    call << u"Velkari"_s << uint(0) << QStringLiteral(VELKARI_APP_ID) << tr("A message to send")
         << body
         << (answerable ? QStringList{defaultAction, notification.action, answerAction,
                                      notification.action}
                        : QStringList{})
         << notification.hints << int(0); // stays until answered or dismissed
    const QString key = notification.key;
    auto *watcher = new QDBusPendingCallWatcher(mBus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, key, answerable](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                const QDBusPendingReply<uint> reply = *w;
                if (reply.isError()) {
                    // Maybe another server by the next time.
                    mCapabilities.reset();
                    Q_EMIT failed(key, reply.error().message());
                    return;
                }
                mKeys.insert(reply.value(), key);
                Q_EMIT shown(key);
                if (!answerable)
                    Q_EMIT shownWithoutAnswer(key);
            });
}

void DesktopNotifications::onActivationToken(uint id, const QString &token)
{
    if (mKeys.contains(id))
        mTokens.insert(id, token);
}

void DesktopNotifications::onActionInvoked(uint id, const QString &action)
{
    if (action != defaultAction && action != answerAction)
        return;
    const QString key = mKeys.take(id);
    const QString token = mTokens.take(id);
    if (key.isEmpty())
        return;
    // Some servers keep a notification whose action was used.
    mBus.asyncCall(QDBusMessage::createMethodCall(service, path, interface, u"CloseNotification"_s)
                   << id);
    Q_EMIT answered(key, token);
}

void DesktopNotifications::onNotificationClosed(uint id, uint)
{
    mTokens.remove(id);
    const QString key = mKeys.take(id);
    if (!key.isEmpty())
        Q_EMIT closed(key);
}

QProcessEnvironment startEnvironment(const QString &token)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"XDG_ACTIVATION_TOKEN"_s);
    environment.remove(u"DESKTOP_STARTUP_ID"_s);
    if (!token.isEmpty()) {
        environment.insert(u"XDG_ACTIVATION_TOKEN"_s, token);
        environment.insert(u"DESKTOP_STARTUP_ID"_s, token);
    }
    return environment;
}

} // namespace platform
