// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-ins for ModemManager and the KDE Connect daemon: just enough of their
// D-Bus interfaces, as Debian 12 ships them, for the transports' tests where
// the real daemons cannot go (a modem that never answers). The ModemManager
// one behaves as ModemManager 1.20 does (mm-base-sms.c, mm-sms-part-3gpp.c,
// mm-iface-modem-messaging.c): a new message's State is Unknown, Send sets it
// to Sent before it answers and says so only afterwards, there is no Sending
// state, Create on a modem that is not enabled fails with WrongState, and a
// number with anything but a leading "+", digits, "*", "#" and a to c fails
// Send as an invalid number.
//
//   fake_sms_services ADDRESS modemmanager|kdeconnect BEHAVIOUR
//
// Prints {"ready":true} once it serves, then a JSON line per call of note.

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

using Interfaces = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, Interfaces>;

const QString Root = u"/org/freedesktop/ModemManager1"_s;
const QString Messaging = u"org.freedesktop.ModemManager1.Modem.Messaging"_s;
enum : uint { Unknown = 0, Sent = 5 };

// What mm_sms_part_3gpp_encode_address() can pack.
bool isPackable(QString number)
{
    if (number.startsWith(u'+'))
        number.remove(0, 1);
    return !number.isEmpty() && std::all_of(number.begin(), number.end(), [](QChar c) {
        return u"0123456789*#abc"_s.contains(c);
    });
}

void record(const QString &call, QJsonObject entry = {})
{
    entry.insert(u"call"_s, call);
    std::puts(QJsonDocument(entry).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

class Service : public QDBusVirtualObject {
public:
    explicit Service(const QString &behaviour)
        : mBehaviour(behaviour)
    {
    }
    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        const QDBusMessage reply = answer(call, bus);
        if (reply.type() != QDBusMessage::InvalidMessage)
            bus.send(reply);
        return true;
    }

protected:
    bool is(const char *behaviour) const { return mBehaviour == QLatin1String(behaviour); }
    // An invalid message: no answer, or not yet.
    virtual QDBusMessage answer(const QDBusMessage &call, const QDBusConnection &bus) = 0;
    static QDBusMessage unknown(const QDBusMessage &call)
    {
        return call.createErrorReply(QDBusError::UnknownObject, call.path());
    }

private:
    QString mBehaviour;
};

// Behaviours, named after what a client sees:
//   sends         a registered modem that sends
//   disabled      the modem is switched off (State disabled)
//   send-error    Send fails; fails-once: only the first Send fails;
//                 send-hangs, objects-hang: never answered
//   no-messaging  the modem lacks Messaging; second-modem: /Modem/0 lacks it
//                 and /Modem/3 has it
class ModemManager : public Service {
public:
    using Service::Service;

private:
    QDBusMessage answer(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        const QString modem = Root + (is("second-modem") ? u"/Modem/3"_s : u"/Modem/0"_s);
        const bool messaging = call.path() == modem && call.interface() == Messaging;
        if (call.path() == Root && call.member() == u"GetManagedObjects"_s)
            return is("objects-hang") ? QDBusMessage() : managedObjects(call);
        if (messaging && !is("no-messaging") && call.member() == u"Create"_s) {
            if (is("disabled"))
                return call.createErrorReply(
                    u"org.freedesktop.ModemManager1.Error.Core.WrongState"_s,
                    u"Cannot create SMS: device not yet enabled"_s);
            return create(call);
        }
        if (messaging && call.member() == u"Delete"_s) {
            record(u"Delete"_s);
            return call.createReply();
        }
        if (mStates.contains(call.path()) && call.member() == u"Send"_s)
            return send(call, bus);
        if (mStates.contains(call.path()) && call.member() == u"Get"_s)
            return call.createReply(QVariant::fromValue(QDBusVariant(mStates[call.path()])));
        return unknown(call);
    }

    QDBusMessage managedObjects(const QDBusMessage &call) const
    {
        const int state = is("disabled") ? 3 : 8; // MM_MODEM_STATE_DISABLED, _REGISTERED
        const Interfaces plain{{u"org.freedesktop.ModemManager1.Modem"_s, {{u"State"_s, state}}}};
        Interfaces messaging = plain;
        messaging.insert(Messaging, {{u"DefaultStorage"_s, QVariant::fromValue(2u)}});
        ManagedObjects objects{{QDBusObjectPath(Root + u"/Modem/0"_s),
                                is("no-messaging") || is("second-modem") ? plain : messaging}};
        if (is("second-modem"))
            objects.insert(QDBusObjectPath(Root + u"/Modem/3"_s), messaging);
        return call.createReply(QVariant::fromValue(objects));
    }

    QDBusMessage create(const QDBusMessage &call)
    {
        const auto properties = qdbus_cast<QVariantMap>(call.arguments().value(0));
        const QVariant number = properties.value(u"number"_s);
        const QVariant text = properties.value(u"text"_s);
        record(u"message"_s, {{u"keys"_s, QJsonArray::fromStringList(properties.keys())},
                              {u"numbers"_s, QJsonArray{number.toString()}},
                              {u"text"_s, text.toString()}});
        // Strings only, as ModemManager insists.
        if (call.signature() != u"a{sv}"_s || number.typeId() != QMetaType::QString ||
            text.typeId() != QMetaType::QString)
            return call.createErrorReply(u"org.freedesktop.ModemManager1.Error.Core.InvalidArgs"_s,
                                         u"Invalid properties"_s);
        const QString path = Root + u"/SMS/"_s + QString::number(mStates.size());
        mStates.insert(path, Unknown);
        mNumbers.insert(path, number.toString());
        return call.createReply(QVariant::fromValue(QDBusObjectPath(path)));
    }

    QDBusMessage send(const QDBusMessage &call, const QDBusConnection &bus)
    {
        const QString path = call.path();
        record(u"Send"_s, {{u"sms"_s, path}});
        if (is("send-hangs"))
            return {};
        if (!isPackable(mNumbers.value(path)))
            return call.createErrorReply(
                u"org.freedesktop.ModemManager1.Error.Message.InvalidPduParameter"_s,
                u"Invalid number '%1'"_s.arg(mNumbers.value(path)));
        if (is("send-error") || (is("fails-once") && mSends++ == 0))
            return call.createErrorReply(u"org.freedesktop.ModemManager1.Error.Core.Failed"_s,
                                         u"Couldn't send SMS part: network timeout"_s);
        mStates[path] = Sent;
        bus.send(call.createReply());
        QDBusMessage signal = QDBusMessage::createSignal(path, u"org.freedesktop.DBus.Properties"_s,
                                                         u"PropertiesChanged"_s);
        signal << u"org.freedesktop.ModemManager1.Sms"_s
               << QVariantMap{{u"State"_s, QVariant::fromValue(uint(Sent))}} << QStringList();
        bus.send(signal);
        return {};
    }

    QMap<QString, uint> mStates; // messages by path
    QMap<QString, QString> mNumbers;
    int mSends = 0;
};

// Behaviours: sends (phone1 is reachable, paired, with the sms plugin),
// second-device (a tablet without the plugin is listed first), no-sms-plugin,
// sms-error, sms-hangs, first-slow (the first sendSms is answered 800 ms
// late, later ones never).
class KdeConnect : public Service {
public:
    using Service::Service;

private:
    QDBusMessage answer(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        const QString phone = u"/modules/kdeconnect/devices/phone1"_s;
        // Unless asked for reachable, paired ones only, the list would hold
        // devices that cannot send.
        if (call.member() == u"devices"_s && call.arguments() == QVariantList{true, true})
            return call.createReply(is("second-device") ? QStringList{u"tablet"_s, u"phone1"_s}
                                                        : QStringList{u"phone1"_s});
        if (call.member() == u"hasPlugin"_s)
            return call.createReply(call.path() == phone && !is("no-sms-plugin") &&
                                    call.arguments().value(0) == u"kdeconnect_sms"_s);
        if (call.path() == phone + u"/sms"_s && !is("no-sms-plugin") &&
            call.member() == u"sendSms"_s && call.signature() == u"avsav"_s)
            return sendSms(call, bus);
        return unknown(call);
    }

    QDBusMessage sendSms(const QDBusMessage &call, const QDBusConnection &bus)
    {
        // An address is a variant holding the struct (s); the daemon makes
        // an empty address of anything else.
        QJsonArray numbers;
        const auto addresses = qvariant_cast<QDBusArgument>(call.arguments().value(0));
        addresses.beginArray();
        while (!addresses.atEnd()) {
            QDBusVariant address;
            addresses >> address;
            const auto inner = qvariant_cast<QDBusArgument>(address.variant());
            QString number;
            if (inner.currentSignature() == u"(s)"_s) {
                inner.beginStructure();
                inner >> number;
                inner.endStructure();
            }
            numbers.append(number);
        }
        addresses.endArray();
        record(u"message"_s,
               {{u"numbers"_s, numbers}, {u"text"_s, call.arguments().value(1).toString()}});
        if (is("sms-hangs") || (is("first-slow") && mSends++ > 0))
            return {};
        if (is("sms-error"))
            return call.createErrorReply(QDBusError::UnknownObject, u"No such object path"_s);
        if (is("first-slow")) {
            QTimer::singleShot(800, [call, bus] {
                bus.send(call.createReply());
                record(u"replied"_s);
            });
            return {};
        }
        return call.createReply();
    }

    int mSends = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    qDBusRegisterMetaType<Interfaces>();
    qDBusRegisterMetaType<ManagedObjects>();
    const bool modemManager = args.at(2) == u"modemmanager"_s;
    std::unique_ptr<Service> service;
    if (modemManager)
        service = std::make_unique<ModemManager>(args.at(3));
    else
        service = std::make_unique<KdeConnect>(args.at(3));
    QDBusConnection bus = QDBusConnection::connectToBus(args.at(1), u"fake"_s);
    if (!bus.registerVirtualObject(modemManager ? Root : u"/modules/kdeconnect"_s, service.get(),
                                   QDBusConnection::SubPath) ||
        !bus.registerService(modemManager ? u"org.freedesktop.ModemManager1"_s
                                          : u"org.kde.kdeconnect"_s))
        return 1;
    std::puts("{\"ready\":true}");
    std::fflush(stdout);
    return app.exec();
}
