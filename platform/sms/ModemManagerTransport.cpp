// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sms/ModemManagerTransport.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

const QString Service = u"org.freedesktop.ModemManager1"_s;
const QString MessagingInterface = u"org.freedesktop.ModemManager1.Modem.Messaging"_s;
const QString SmsInterface = u"org.freedesktop.ModemManager1.Sms"_s;
const QString PropertiesInterface = u"org.freedesktop.DBus.Properties"_s;

// While Send has been answered but State is not final yet; covers a
// ModemManager that changes State without announcing it.
constexpr int PollIntervalMs = 1000;

// The first of the modems that offer messaging, from GetManagedObjects'
// answer; ordered by path so that the choice does not change between calls.
QString firstMessagingModem(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != "a{oa{sa{sv}}}"_L1)
        return {};
    const auto objects = qvariant_cast<QDBusArgument>(reply.arguments().constFirst());
    QStringList modems;
    objects.beginMap();
    while (!objects.atEnd()) {
        QDBusObjectPath path;
        QMap<QString, QVariantMap> interfaces;
        objects.beginMapEntry();
        objects >> path >> interfaces;
        objects.endMapEntry();
        if (interfaces.contains(MessagingInterface))
            modems.append(path.path());
    }
    objects.endMap();
    modems.sort();
    return modems.value(0);
}

} // namespace

QDBusMessage ModemManagerTransport::managedObjectsCall()
{
    return methodCall(Service, u"/org/freedesktop/ModemManager1"_s,
                      u"org.freedesktop.DBus.ObjectManager"_s, u"GetManagedObjects"_s);
}

ModemManagerTransport::ModemManagerTransport(const QDBusConnection &bus, QObject *parent)
    : SmsTransport(parent)
    , mBus(bus)
{
    mPoll.setInterval(PollIntervalMs);
    connect(&mPoll, &QTimer::timeout, this, &ModemManagerTransport::readState);
}

ModemManagerTransport::~ModemManagerTransport()
{
    watchSms(false);
}

QString ModemManagerTransport::name() const
{
    return u"ModemManager"_s;
}

QString ModemManagerTransport::messagingModem(const QDBusConnection &bus,
                                              std::chrono::milliseconds timeout)
{
    if (!bus.isConnected())
        return {};
    return firstMessagingModem(callAndWait(bus, managedObjectsCall(), timeout));
}

void ModemManagerTransport::start(const QString &number, const QString &text)
{
    if (!mBus.isConnected()) {
        finish(false, tr("The system bus is not available, so ModemManager cannot be reached."));
        return;
    }
    call(mBus, managedObjectsCall(), [this, number, text](const QDBusMessage &reply) {
        if (isError(reply)) {
            finish(false,
                   isServiceMissing(reply)
                       ? tr("ModemManager is not running.")
                       : tr("ModemManager did not list its modems: %1").arg(errorText(reply)));
            return;
        }
        const QString modem = firstMessagingModem(reply);
        if (modem.isEmpty()) {
            finish(false, tr("No modem is ready to send text messages."));
            return;
        }
        // Everything after this goes to the same ModemManager: a restarted
        // one would not know the message.
        mOwner = reply.service();
        create(modem, number, text);
    });
}

void ModemManagerTransport::create(const QString &modem, const QString &number, const QString &text)
{
    mModem = modem;
    QDBusMessage message = methodCall(mOwner, modem, MessagingInterface, u"Create"_s);
    message << QVariantMap{{u"number"_s, number}, {u"text"_s, text}};
    call(mBus, message, [this](const QDBusMessage &reply) {
        if (isError(reply)) {
            finish(false, tr("The modem refused the message: %1").arg(errorText(reply)));
            return;
        }
        mSms = qvariant_cast<QDBusObjectPath>(reply.arguments().value(0)).path();
        if (reply.signature() != "o"_L1 || mSms.isEmpty()) {
            finish(false, tr("ModemManager did not say where it keeps the message."));
            return;
        }
        sendCreated();
    });
}

void ModemManagerTransport::sendCreated()
{
    // Listening before Send, so that no change of State can slip past.
    watchSms(true);
    call(
        mBus, methodCall(mOwner, mSms, SmsInterface, u"Send"_s), [this](const QDBusMessage &reply) {
            if (isError(reply)) {
                deleteDraft();
                finish(false, tr("The modem could not send the message: %1").arg(errorText(reply)));
                return;
            }
            // ModemManager sets State to sent before it answers, but tells
            // of the change only afterwards: ask rather than wait for it.
            readState();
            mPoll.start();
        });
}

void ModemManagerTransport::readState()
{
    if (mReading || mSms.isEmpty())
        return;
    mReading = true;
    QDBusMessage get = methodCall(mOwner, mSms, PropertiesInterface, u"Get"_s);
    get << SmsInterface << u"State"_s;
    call(mBus, get, [this](const QDBusMessage &reply) {
        mReading = false;
        if (isError(reply)) {
            finish(false, tr("Lost track of the message: %1").arg(errorText(reply)));
            return;
        }
        takeState(qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant().toUInt());
    });
}

void ModemManagerTransport::takeState(uint state)
{
    switch (state) {
    case SmsStateSent:
        finish(true, QString());
        break;
    case SmsStateSending:
        mSeenSending = true;
        break;
    case SmsStateUnknown:
    case SmsStateStored:
        // Back to not sent after sending: the modem gave up on it.
        if (mSeenSending) {
            deleteDraft();
            finish(false, tr("The modem gave up sending the message."));
        }
        break;
    case SmsStateReceiving:
    case SmsStateReceived:
        finish(false, tr("ModemManager took the message for a received one."));
        break;
    default:
        break; // a state from a newer ModemManager; wait for one we know
    }
}

void ModemManagerTransport::smsPropertiesChanged(const QString &interface,
                                                 const QVariantMap &changed,
                                                 const QStringList &invalidated,
                                                 const QDBusMessage &message)
{
    // Anyone on the bus may send this signal; only ModemManager's counts.
    if (message.service() != mOwner || message.path() != mSms || interface != SmsInterface)
        return;
    if (changed.contains(u"State"_s))
        takeState(changed.value(u"State"_s).toUInt());
    else if (invalidated.contains(u"State"_s))
        readState();
}

void ModemManagerTransport::watchSms(bool watch)
{
    if (watch == mWatching)
        return;
    const char *slot = SLOT(smsPropertiesChanged(QString, QVariantMap, QStringList, QDBusMessage));
    // Matched on the path; the slot checks who sent it.
    if (watch) {
        mWatching =
            mBus.connect(QString(), mSms, PropertiesInterface, u"PropertiesChanged"_s, this, slot);
    } else {
        mBus.disconnect(QString(), mSms, PropertiesInterface, u"PropertiesChanged"_s, this, slot);
        mWatching = false;
    }
}

void ModemManagerTransport::deleteDraft()
{
    // An unsent message left behind would show up in other messaging
    // applications as a draft. Nobody waits for the answer.
    QDBusMessage message = methodCall(mOwner, mModem, MessagingInterface, u"Delete"_s);
    message << QVariant::fromValue(QDBusObjectPath(mSms));
    mBus.send(message);
}

void ModemManagerTransport::stop()
{
    mPoll.stop();
    watchSms(false);
    mOwner.clear();
    mModem.clear();
    mSms.clear();
    mSeenSending = false;
    mReading = false;
}

} // namespace platform
