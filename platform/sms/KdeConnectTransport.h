// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/sms/SmsTransport.h"

#include <QDBusConnection>
#include <QStringList>

namespace platform {

// Sends through a phone paired with this desktop by KDE Connect, whose
// daemon runs on the session bus: the first reachable paired device with the
// text-message plugin gets the message. KDE Connect hands the request to the
// phone and reports nothing back, so "sent" means the daemon accepted it for
// a phone that was reachable then; whether the phone's network took it is
// not known here.
class KdeConnectTransport : public SmsTransport {
    Q_OBJECT

public:
    // bus is the session bus in production; tests hand in a private one.
    explicit KdeConnectTransport(const QDBusConnection &bus, QObject *parent = nullptr);

    QString name() const override;

    // Finds the device a message would go through, without waiting; done
    // gets its id, or none when the bus or the daemon is missing, no such
    // device is there, or no answer came in time. Nothing is called once
    // context is gone.
    static void findDevice(const QDBusConnection &bus, QObject *context,
                           std::function<void(const QString &device)> done);

protected:
    void start(const QString &number, const QString &text) override;
    void stop() override { mOwner.clear(); }

private:
    static QDBusMessage devicesCall(const QString &owner);
    static QDBusMessage hasSmsPluginCall(const QString &owner, const QString &device);
    static void probeDevices(const QDBusConnection &bus, const QString &owner, QStringList devices,
                             QObject *context, std::function<void(const QString &device)> done);
    void tryDevices(QStringList devices, const QString &number, const QString &text);
    void sendThrough(const QString &device, const QString &number, const QString &text);

    QDBusConnection mBus;
    QString mOwner; // unique name of the daemon that listed the devices
};

} // namespace platform
