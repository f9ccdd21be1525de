// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sms/ModemManagerTransport.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>

#include <tuple>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

const QString Service = u"org.freedesktop.ModemManager1"_s;
const QString ModemInterface = u"org.freedesktop.ModemManager1.Modem"_s;
const QString MessagingInterface = u"org.freedesktop.ModemManager1.Modem.Messaging"_s;
const QString SmsInterface = u"org.freedesktop.ModemManager1.Sms"_s;

// Better first: one that can send on a network, then one that can send,
// then one the person can make ready; the path breaks ties, so that the
// choice does not change between calls.
auto rank(const ModemStatus &modem)
{
    return std::make_tuple(!modem.isReady(), !modem.canSend(), !modem.isHeldBack(), modem.path);
}

// The modem to use, from GetManagedObjects' answer.
ModemStatus bestModem(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != "a{oa{sa{sv}}}"_L1)
        return {};
    const auto objects = qvariant_cast<QDBusArgument>(reply.arguments().constFirst());
    ModemStatus best;
    objects.beginMap();
    while (!objects.atEnd()) {
        QDBusObjectPath path;
        QMap<QString, QVariantMap> interfaces;
        objects.beginMapEntry();
        objects >> path >> interfaces;
        objects.endMapEntry();
        if (!interfaces.contains(ModemInterface))
            continue;
        const QVariantMap modem = interfaces.value(ModemInterface);
        ModemStatus status;
        status.path = path.path();
        status.state = modem.value(u"State"_s, int(ModemStatus::Unknown)).toInt();
        status.failedReason = modem.value(u"StateFailedReason"_s).toUInt();
        status.messaging = interfaces.contains(MessagingInterface);
        if (best.path.isEmpty() || rank(status) < rank(best))
            best = status;
    }
    objects.endMap();
    return best;
}

bool isWrongState(const QDBusMessage &reply)
{
    return reply.errorName() == "org.freedesktop.ModemManager1.Error.Core.WrongState"_L1;
}

} // namespace

ModemManagerTransport::ModemManagerTransport(const QDBusConnection &bus, QObject *parent)
    : SmsTransport(parent)
    , mBus(bus)
{
}

QString ModemManagerTransport::name() const
{
    return u"ModemManager"_s;
}

QString ModemManagerTransport::obstacle(const ModemStatus &modem)
{
    if (modem.canSend())
        return {};
    if (modem.path.isEmpty())
        return tr("No modem is ready to send text messages.");
    switch (modem.state) {
    case ModemStatus::Failed:
        return modem.failedReason == ModemStatus::SimMissing
                   ? tr("There is no SIM card in the modem.")
                   : tr("The modem cannot be used: %1.")
                         .arg(modem.failedReason == ModemStatus::SimError
                                  ? tr("its SIM card does not work")
                                  : tr("it failed to start"));
    case ModemStatus::Locked:
        return tr("The SIM card is locked. Unlock it with its PIN, then try again.");
    case ModemStatus::Disabled:
    case ModemStatus::Disabling:
        return tr(
            "The modem is switched off (airplane mode may be on). Switch it on, then try again.");
    case ModemStatus::Unknown:
    case ModemStatus::Initializing:
    case ModemStatus::Enabling:
        return tr("The modem is still starting. Try again in a moment.");
    default:
        return tr("This modem cannot send text messages.");
    }
}

QString ModemManagerTransport::dialableNumber(const QString &number)
{
    QString dialable;
    for (const QChar c : number) {
        if (c.isDigit())
            dialable += QChar(u'0' + c.digitValue()); // also digits of other scripts
        else if (c == u'+' && dialable.isEmpty())
            dialable += c;
        else if (c == u'*' || c == u'#')
            dialable += c;
        else if (!c.isSpace() && !u"-./()[]\u2010\u2011\u2012\u2013\u2014\u2212"_s.contains(c))
            return {};
    }
    return dialable == u"+"_s ? QString() : dialable;
}

QDBusMessage ModemManagerTransport::managedObjectsCall(const QString &service)
{
    return methodCall(service, u"/org/freedesktop/ModemManager1"_s,
                      u"org.freedesktop.DBus.ObjectManager"_s, u"GetManagedObjects"_s);
}

void ModemManagerTransport::findModem(const QDBusConnection &bus, QObject *context,
                                      std::function<void(const ModemStatus &modem)> done)
{
    probe(bus, managedObjectsCall(Service), context,
          [done](const QDBusMessage &reply) { done(bestModem(reply)); });
}

void ModemManagerTransport::start(const QString &number, const QString &text)
{
    const QString dialable = dialableNumber(number);
    if (dialable.isEmpty()) {
        finish(false, tr("“%1” is not a phone number the modem can dial.").arg(number));
        return;
    }
    if (!mBus.isConnected()) {
        finish(false, tr("The system bus is not available, so ModemManager cannot be reached."));
        return;
    }
    // Everything goes to one ModemManager, by its unique name: a restarted
    // one would not know the message.
    call(mBus, nameOwnerCall(Service), [this, dialable, text](const QDBusMessage &reply) {
        if (isError(reply)) {
            finish(false,
                   isServiceMissing(reply) ? tr("ModemManager is not running.") : errorText(reply));
            return;
        }
        mOwner = reply.arguments().value(0).toString();
        call(mBus, managedObjectsCall(mOwner), [this, dialable, text](const QDBusMessage &reply) {
            if (isError(reply)) {
                finish(false, tr("ModemManager did not list its modems: %1").arg(errorText(reply)));
                return;
            }
            const ModemStatus modem = bestModem(reply);
            if (!modem.canSend()) {
                finish(false, obstacle(modem));
                return;
            }
            create(modem.path, dialable, text);
        });
    });
}

void ModemManagerTransport::create(const QString &modem, const QString &number, const QString &text)
{
    mModem = modem;
    QDBusMessage message = methodCall(mOwner, modem, MessagingInterface, u"Create"_s);
    message << QVariantMap{{u"number"_s, number}, {u"text"_s, text}};
    call(mBus, message, [this](const QDBusMessage &reply) {
        if (isError(reply)) {
            // Switched off between the look and the message.
            if (isWrongState(reply))
                finish(false, obstacle({mModem, ModemStatus::Disabled, 0, true}));
            else
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
    call(
        mBus, methodCall(mOwner, mSms, SmsInterface, u"Send"_s), [this](const QDBusMessage &reply) {
            if (isError(reply)) {
                deleteDraft();
                finish(false, tr("The modem could not send the message: %1").arg(errorText(reply)));
                return;
            }
            finish(true, QString());
        });
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
    mOwner.clear();
    mModem.clear();
    mSms.clear();
}

} // namespace platform
