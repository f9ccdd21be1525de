// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sms/KdeConnectTransport.h"

#include <QDBusArgument>
#include <QDBusMessage>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

const QString Service = u"org.kde.kdeconnect"_s;

QString devicePath(const QString &device)
{
    return u"/modules/kdeconnect/devices/"_s + device;
}

} // namespace

KdeConnectTransport::KdeConnectTransport(const QDBusConnection &bus, QObject *parent)
    : SmsTransport(parent)
    , mBus(bus)
{
}

QString KdeConnectTransport::name() const
{
    return u"KDE Connect"_s;
}

QDBusMessage KdeConnectTransport::devicesCall(const QString &owner)
{
    QDBusMessage message =
        methodCall(owner, u"/modules/kdeconnect"_s, u"org.kde.kdeconnect.daemon"_s, u"devices"_s);
    message << true << true; // only reachable, only paired
    return message;
}

QDBusMessage KdeConnectTransport::hasSmsPluginCall(const QString &owner, const QString &device)
{
    QDBusMessage message =
        methodCall(owner, devicePath(device), u"org.kde.kdeconnect.device"_s, u"hasPlugin"_s);
    message << u"kdeconnect_sms"_s;
    return message;
}

void KdeConnectTransport::findDevice(const QDBusConnection &bus, QObject *context,
                                     std::function<void(const QString &device)> done)
{
    probe(bus, nameOwnerCall(Service), context, [bus, context, done](const QDBusMessage &owner) {
        if (isError(owner)) {
            done({});
            return;
        }
        const QString daemon = owner.arguments().value(0).toString();
        probe(bus, devicesCall(daemon), context,
              [bus, daemon, context, done](const QDBusMessage &devices) {
                  if (isError(devices) || devices.signature() != "as"_L1)
                      done({});
                  else
                      probeDevices(bus, daemon, devices.arguments().constFirst().toStringList(),
                                   context, done);
              });
    });
}

void KdeConnectTransport::probeDevices(const QDBusConnection &bus, const QString &owner,
                                       QStringList devices, QObject *context,
                                       std::function<void(const QString &device)> done)
{
    if (devices.isEmpty()) {
        done({});
        return;
    }
    const QString device = devices.takeFirst();
    probe(bus, hasSmsPluginCall(owner, device), context, [=](const QDBusMessage &reply) {
        if (!isError(reply) && reply.arguments().value(0).toBool())
            done(device);
        else
            probeDevices(bus, owner, devices, context, done);
    });
}

void KdeConnectTransport::start(const QString &number, const QString &text)
{
    if (!mBus.isConnected()) {
        finish(false, tr("The session bus is not available, so KDE Connect cannot be reached."));
        return;
    }
    call(mBus, nameOwnerCall(Service), [this, number, text](const QDBusMessage &reply) {
        if (isError(reply)) {
            finish(false,
                   isServiceMissing(reply) ? tr("KDE Connect is not running.") : errorText(reply));
            return;
        }
        // The devices are the ones this daemon knows.
        mOwner = reply.arguments().value(0).toString();
        call(mBus, devicesCall(mOwner), [this, number, text](const QDBusMessage &reply) {
            if (isError(reply)) {
                finish(false, tr("KDE Connect did not list its devices: %1").arg(errorText(reply)));
                return;
            }
            tryDevices(reply.arguments().value(0).toStringList(), number, text);
        });
    });
}

void KdeConnectTransport::tryDevices(QStringList devices, const QString &number,
                                     const QString &text)
{
    if (devices.isEmpty()) {
        finish(false, tr("No paired phone that can send text messages is reachable."));
        return;
    }
    const QString device = devices.takeFirst();
    call(mBus, hasSmsPluginCall(mOwner, device),
         [this, device, devices, number, text](const QDBusMessage &reply) {
             if (!isError(reply) && reply.arguments().value(0).toBool())
                 sendThrough(device, number, text);
             else
                 tryDevices(devices, number, text);
         });
}

void KdeConnectTransport::sendThrough(const QString &device, const QString &number,
                                      const QString &text)
{
    // An address travels as a variant holding the struct (s); the daemon
    // turns a bare string into an empty address without complaint.
    QDBusArgument address;
    address.beginStructure();
    address << number;
    address.endStructure();
    QDBusMessage message = methodCall(mOwner, devicePath(device) + u"/sms"_s,
                                      u"org.kde.kdeconnect.device.sms"_s, u"sendSms"_s);
    message << QVariantList{QVariant::fromValue(address)} << text << QVariantList();
    call(mBus, message, [this](const QDBusMessage &reply) {
        if (isError(reply))
            finish(false,
                   tr("KDE Connect could not pass the message on: %1").arg(errorText(reply)));
        else
            finish(true, QString());
    });
}

} // namespace platform
