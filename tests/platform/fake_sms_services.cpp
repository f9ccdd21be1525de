// Stand-ins for ModemManager and the KDE Connect daemon: just enough of their
// D-Bus interfaces, as Debian 12 ships them, for the transports' tests.
//
//   fake_sms_services ADDRESS modemmanager|kdeconnect BEHAVIOUR
//
// Joins the bus at ADDRESS, takes the service's name and writes one JSON line
// per call it receives to standard output, after a first {"ready":true}.

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

#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

using Interfaces = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, Interfaces>;

const QString ManagerPath = u"/org/freedesktop/ModemManager1"_s;
const QString Messaging = u"org.freedesktop.ModemManager1.Modem.Messaging"_s;
const QString Sms = u"org.freedesktop.ModemManager1.Sms"_s;
enum : uint { Stored = 1, Sending = 4, Sent = 5 };

void record(const QJsonObject &entry)
{
    std::fputs(QJsonDocument(entry).toJson(QJsonDocument::Compact).append('\n').constData(),
               stdout);
    std::fflush(stdout);
}

bool answer(const QDBusConnection &bus, const QDBusMessage &reply)
{
    bus.send(reply);
    return true;
}

bool refuse(const QDBusConnection &bus, const QDBusMessage &call, const QString &name,
            const QString &text)
{
    return answer(bus, call.createErrorReply(name, text));
}

// Behaviours, named after what a client sees:
//   sends         Send answers once State is Sent and announces it after, as
//                 ModemManager does; first-slow: the same, 800 ms late, and
//                 later Sends are never answered
//   queued        Send answers at once with State Sending, Sent 200 ms later;
//                 silent: without announcing either; invalidates: Sent is
//                 announced as invalidated; falls-back: back to Stored
//                 instead of Sent; stuck: stays Sending
//   send-error, create-error: that call fails
//   objects-hang, create-hangs, send-hangs: that call is never answered
//   crashes       exits on Send without answering
//   no-modem, no-messaging: no modem, or one without Messaging
//   second-modem  /Modem/0 lacks Messaging, /Modem/3 has it
class ModemManager : public QDBusVirtualObject {
public:
    explicit ModemManager(const QString &behaviour)
        : mBehaviour(behaviour)
    {
        if (behaviour == u"second-modem"_s)
            mModems = {{modem(0), false}, {modem(3), true}};
        else if (behaviour != u"no-modem"_s)
            mModems = {{modem(0), behaviour != u"no-messaging"_s}};
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        const QString method = call.interface() + u'.' + call.member();
        if (method == u"org.freedesktop.DBus.ObjectManager.GetManagedObjects"_s &&
            call.path() == ManagerPath)
            return mBehaviour == u"objects-hang"_s || managedObjects(call, bus);
        if (call.interface() == Messaging && mModems.value(call.path())) {
            if (call.member() == u"Create"_s)
                return create(call, bus);
            if (call.member() == u"Delete"_s)
                return remove(call, bus);
        }
        if (mStates.contains(call.path()) && method == Sms + u".Send"_s)
            return send(call, bus);
        if (mStates.contains(call.path()) && method == u"org.freedesktop.DBus.Properties.Get"_s &&
            call.arguments().value(1) == u"State"_s)
            return answer(bus, call.createReply(
                                   QVariant::fromValue(QDBusVariant(mStates.value(call.path())))));
        return refuse(bus, call, u"org.freedesktop.DBus.Error.UnknownMethod"_s, method);
    }

private:
    static QString modem(int index) { return ManagerPath + u"/Modem/"_s + QString::number(index); }

    bool managedObjects(const QDBusMessage &call, const QDBusConnection &bus)
    {
        ManagedObjects objects;
        for (auto it = mModems.cbegin(); it != mModems.cend(); ++it) {
            Interfaces &interfaces = objects[QDBusObjectPath(it.key())];
            interfaces[u"org.freedesktop.ModemManager1.Modem"_s] = {{u"State"_s, 8}};
            if (it.value())
                interfaces[Messaging] = {{u"DefaultStorage"_s, QVariant::fromValue(2u)}};
        }
        return answer(bus, call.createReply(QVariant::fromValue(objects)));
    }

    // Checks the properties as ModemManager does before it makes a message.
    bool create(const QDBusMessage &call, const QDBusConnection &bus)
    {
        const auto properties = qdbus_cast<QVariantMap>(call.arguments().value(0));
        record({{u"call"_s, u"message"_s},
                {u"modem"_s, call.path()},
                {u"keys"_s, QJsonArray::fromStringList(properties.keys())},
                {u"numbers"_s, QJsonArray{properties.value(u"number"_s).toString()}},
                {u"text"_s, properties.value(u"text"_s).toString()}});
        const QString invalid = u"org.freedesktop.ModemManager1.Error.Core.InvalidArgs"_s;
        if (call.signature() != u"a{sv}"_s)
            return refuse(bus, call, invalid, u"Invalid signature"_s);
        for (const QString &key : {u"number"_s, u"text"_s}) {
            if (properties.value(key).typeId() != QMetaType::QString)
                return refuse(bus, call, invalid, u"Invalid or missing "_s + key);
        }
        if (mBehaviour == u"create-hangs"_s)
            return true;
        if (mBehaviour == u"create-error"_s)
            return refuse(bus, call, invalid, u"Cannot create SMS: invalid number"_s);
        const QString path = ManagerPath + u"/SMS/"_s + QString::number(mNextSms++);
        mStates.insert(path, Stored);
        return answer(bus, call.createReply(QVariant::fromValue(QDBusObjectPath(path))));
    }

    bool remove(const QDBusMessage &call, const QDBusConnection &bus)
    {
        const QString path = qvariant_cast<QDBusObjectPath>(call.arguments().value(0)).path();
        record({{u"call"_s, u"Delete"_s}, {u"sms"_s, path}});
        mStates.remove(path);
        return answer(bus, call.createReply());
    }

    bool send(const QDBusMessage &call, const QDBusConnection &bus)
    {
        const QString path = call.path();
        record({{u"call"_s, u"Send"_s}, {u"sms"_s, path}});
        if (mBehaviour == u"crashes"_s)
            ::_exit(3);
        if (mBehaviour == u"send-hangs"_s || (mBehaviour == u"first-slow"_s && mSends > 0))
            return true;
        ++mSends;
        if (mBehaviour == u"send-error"_s)
            return refuse(bus, call, u"org.freedesktop.ModemManager1.Error.Core.Failed"_s,
                          u"Couldn't send SMS part: network timeout"_s);
        if (mBehaviour == u"sends"_s || mBehaviour == u"first-slow"_s ||
            mBehaviour == u"second-modem"_s) {
            QTimer::singleShot(mBehaviour == u"first-slow"_s ? 800 : 0, [this, call, bus, path] {
                mStates[path] = Sent;
                answer(bus, call.createReply());
                record({{u"call"_s, u"replied"_s}, {u"sms"_s, path}});
                announce(bus, path, false);
            });
            return true;
        }
        const bool silent = mBehaviour == u"silent"_s;
        setState(bus, path, Sending, silent);
        answer(bus, call.createReply());
        if (mBehaviour != u"stuck"_s) {
            QTimer::singleShot(200, [this, bus, path, silent] {
                setState(bus, path, mBehaviour == u"falls-back"_s ? Stored : Sent, silent);
            });
        }
        return true;
    }

    void setState(const QDBusConnection &bus, const QString &path, uint state, bool silent)
    {
        mStates[path] = state;
        if (!silent)
            announce(bus, path, mBehaviour == u"invalidates"_s);
    }

    void announce(const QDBusConnection &bus, const QString &path, bool invalidate)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, u"org.freedesktop.DBus.Properties"_s,
                                                         u"PropertiesChanged"_s);
        const QVariantMap changed{{u"State"_s, QVariant::fromValue(mStates.value(path))}};
        signal << Sms << (invalidate ? QVariantMap() : changed)
               << (invalidate ? QStringList{u"State"_s} : QStringList());
        bus.send(signal);
    }

    QString mBehaviour;
    QMap<QString, bool> mModems; // path, has Messaging
    QMap<QString, uint> mStates; // messages by path
    int mNextSms = 0;
    int mSends = 0;
};

// Behaviours: sends (phone1 is reachable, paired and has the sms plugin),
// second-device (a tablet without the plugin is listed first), no-device,
// no-sms-plugin, sms-error (sendSms fails), sms-hangs (never answered),
// first-slow (the first sendSms is answered 800 ms late, later ones never).
class KdeConnect : public QDBusVirtualObject {
public:
    explicit KdeConnect(const QString &behaviour)
        : mBehaviour(behaviour)
    {
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        const QString devices = u"/modules/kdeconnect/devices/"_s;
        const QString method = call.interface() + u'.' + call.member();
        const bool withSms = mBehaviour != u"no-sms-plugin"_s;
        if (call.path() == u"/modules/kdeconnect"_s &&
            method == u"org.kde.kdeconnect.daemon.devices"_s && call.signature() == u"bb"_s) {
            QStringList ids{u"phone1"_s};
            if (mBehaviour == u"second-device"_s)
                ids.prepend(u"tablet"_s);
            // Devices that are away or not paired are listed unless left out.
            const bool reachableAndPaired = call.arguments() == QVariantList{true, true};
            return answer(bus, call.createReply(mBehaviour == u"no-device"_s && reachableAndPaired
                                                    ? QStringList()
                                                    : ids));
        }
        if (method == u"org.kde.kdeconnect.device.hasPlugin"_s) {
            const bool has = call.path() == devices + u"phone1"_s && withSms &&
                             call.arguments().value(0) == u"kdeconnect_sms"_s;
            return answer(bus, call.createReply(has));
        }
        if (call.path() == devices + u"phone1/sms"_s && withSms &&
            method == u"org.kde.kdeconnect.device.sms.sendSms"_s &&
            (call.signature() == u"avsav"_s || call.signature() == u"avsavx"_s))
            return sendSms(call, bus);
        return refuse(bus, call, u"org.freedesktop.DBus.Error.UnknownObject"_s, call.path());
    }

private:
    bool sendSms(const QDBusMessage &call, const QDBusConnection &bus)
    {
        // Each address is a variant holding the struct (s); anything else
        // becomes an empty address, as the daemon makes of it.
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
        record({{u"call"_s, u"message"_s},
                {u"numbers"_s, numbers},
                {u"text"_s, call.arguments().value(1).toString()}});
        if (mBehaviour == u"sms-hangs"_s || (mBehaviour == u"first-slow"_s && mSends++ > 0))
            return true;
        if (mBehaviour == u"first-slow"_s) {
            QTimer::singleShot(800, [call, bus] {
                answer(bus, call.createReply());
                record({{u"call"_s, u"replied"_s}});
            });
            return true;
        }
        if (mBehaviour == u"sms-error"_s)
            return refuse(bus, call, u"org.freedesktop.DBus.Error.UnknownObject"_s,
                          u"No such object path '/modules/kdeconnect/devices/phone1/sms'"_s);
        return answer(bus, call.createReply());
    }

    QString mBehaviour;
    int mSends = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fputs("usage: fake_sms_services ADDRESS modemmanager|kdeconnect BEHAVIOUR\n", stderr);
        return 2;
    }
    qDBusRegisterMetaType<Interfaces>();
    qDBusRegisterMetaType<ManagedObjects>();

    const bool modemManager = args.at(2) == u"modemmanager"_s;
    std::unique_ptr<QDBusVirtualObject> service;
    if (modemManager)
        service = std::make_unique<ModemManager>(args.at(3));
    else
        service = std::make_unique<KdeConnect>(args.at(3));
    QDBusConnection bus = QDBusConnection::connectToBus(args.at(1), u"fake"_s);
    if (!bus.registerVirtualObject(modemManager ? ManagerPath : u"/modules/kdeconnect"_s,
                                   service.get(), QDBusConnection::SubPath) ||
        !bus.registerService(modemManager ? u"org.freedesktop.ModemManager1"_s
                                          : u"org.kde.kdeconnect"_s)) {
        std::fprintf(stderr, "cannot serve on %s\n", qPrintable(args.at(1)));
        return 1;
    }
    record({{u"ready"_s, true}});
    return app.exec();
}
