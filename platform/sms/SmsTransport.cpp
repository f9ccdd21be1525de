// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sms/SmsTransport.h"

#include "platform/core/Logging.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <climits>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

// A call may take the whole time limit; its own timeout comes a little later
// so that our time limit, with its clearer message, always fires first.
constexpr int CallGraceMs = 1000;

} // namespace

SmsTransport::SmsTransport(QObject *parent)
    : QObject(parent)
{
    mTimer.setSingleShot(true);
    connect(&mTimer, &QTimer::timeout, this, [this] {
        finish(false, tr("No confirmation within %1 s; the message may still be sent later.")
                          .arg(double(mTimeLimit.count()) / 1000.0));
    });
}

SmsTransport::~SmsTransport() = default;

bool SmsTransport::send(const QString &number, const QString &text)
{
    if (isBusy())
        return false;
    mFinishing = false;
    setState(State::Sending);
    mDeadline.setRemainingTime(mTimeLimit);
    mTimer.start(mTimeLimit);
    // A result known at once is still reported later, so that the caller
    // never gets finished() before send() has returned.
    mStarting = true;
    if (number.trimmed().isEmpty())
        finish(false, tr("There is no number to send the message to."));
    else
        start(number, text);
    mStarting = false;
    return true;
}

void SmsTransport::finish(bool sent, const QString &error)
{
    if (!isBusy() || mFinishing)
        return;
    mFinishing = true;
    mTimer.stop();
    // Late answers to the finished send must not reach the next one.
    for (QDBusPendingCallWatcher *watcher : std::as_const(mPending)) {
        watcher->disconnect(this);
        watcher->deleteLater();
    }
    mPending.clear();
    stop();
    if (mStarting)
        QMetaObject::invokeMethod(
            this, [this, sent, error] { complete(sent, error); }, Qt::QueuedConnection);
    else
        complete(sent, error);
}

void SmsTransport::complete(bool sent, const QString &error)
{
    if (!sent)
        qCWarning(lcSms, "Text message via %s not sent: %s", qUtf8Printable(name()),
                  qUtf8Printable(error));
    setState(sent ? State::Sent : State::Failed);
    Q_EMIT finished(sent, sent ? QString() : error);
}

void SmsTransport::setState(State state)
{
    if (mState == state)
        return;
    mState = state;
    Q_EMIT stateChanged(state);
}

void SmsTransport::call(const QDBusConnection &bus, const QDBusMessage &message, ReplyHandler reply)
{
    const int timeout = int(qMin<qint64>(mDeadline.remainingTime(), INT_MAX - CallGraceMs));
    auto *watcher =
        new QDBusPendingCallWatcher(bus.asyncCall(message, timeout + CallGraceMs), this);
    mPending.append(watcher);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, reply] {
        mPending.removeOne(watcher);
        watcher->deleteLater();
        reply(watcher->reply());
    });
}

QDBusMessage SmsTransport::methodCall(const QString &service, const QString &path,
                                      const QString &interface, const QString &method)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    // A service that is not running means no transport, not one to start.
    message.setAutoStartService(false);
    return message;
}

QDBusMessage SmsTransport::nameOwnerCall(const QString &service)
{
    QDBusMessage message = methodCall(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                      u"org.freedesktop.DBus"_s, u"GetNameOwner"_s);
    message << service;
    return message;
}

void SmsTransport::probe(const QDBusConnection &bus, const QDBusMessage &message, QObject *context,
                         ReplyHandler reply)
{
    if (!bus.isConnected()) {
        // A call on no connection never finishes; the answer is known.
        QMetaObject::invokeMethod(
            context,
            [reply] {
                reply(QDBusMessage::createError(QDBusError::Disconnected,
                                                u"Not connected to the bus"_s));
            },
            Qt::QueuedConnection);
        return;
    }
    auto *watcher =
        new QDBusPendingCallWatcher(bus.asyncCall(message, int(ProbeTimeout.count())), context);
    connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, reply] {
        watcher->deleteLater();
        reply(watcher->reply());
    });
}

bool SmsTransport::isError(const QDBusMessage &reply)
{
    return reply.type() != QDBusMessage::ReplyMessage;
}

bool SmsTransport::isServiceMissing(const QDBusMessage &reply)
{
    const QDBusError::ErrorType type = QDBusError(reply).type();
    return type == QDBusError::ServiceUnknown || type == QDBusError::Disconnected ||
           reply.errorName() == "org.freedesktop.DBus.Error.NameHasNoOwner"_L1;
}

QString SmsTransport::errorText(const QDBusMessage &reply)
{
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
}

} // namespace platform
