// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/sms/SmsTransport.h"

#include <QDBusConnection>

namespace platform {

// What ModemManager says of the modem a message would go through.
struct ModemStatus {
    // MMModemState, from ModemManager-enums.h.
    enum State {
        Failed = -1,
        Unknown = 0,
        Initializing = 1,
        Locked = 2,
        Disabled = 3,
        Disabling = 4,
        Enabling = 5,
        Enabled = 6,
        Searching = 7,
        Registered = 8,
    };
    // MMModemStateFailedReason.
    static constexpr uint SimMissing = 2;
    static constexpr uint SimError = 3;

    QString path; // empty: ModemManager lists no modem
    int state = Unknown;
    uint failedReason = 0;
    bool messaging = false;

    // Takes a message now; one that has no network yet may still fail.
    bool canSend() const { return messaging && state >= Enabled; }
    // On a network: the way to prefer.
    bool isReady() const { return messaging && state >= Registered; }
    // Would take messages once the person does something about it (switch
    // it on, insert or unlock the SIM): worth saying so.
    bool isHeldBack() const { return !path.isEmpty() && !canSend() && state < Enabled; }
};

// Sends through the phone's own modem, as ModemManager offers it on the
// system bus: the message is created on the modem that is most ready, with
// the number in the dialable form ModemManager packs into the PDU, and sent.
// ModemManager sets the message's State to sent before it answers Send, and
// answers only when the modem is done, so a slow network takes the time
// limit rather than a D-Bus timeout.
class ModemManagerTransport : public SmsTransport {
    Q_OBJECT

public:
    // bus is the system bus in production; tests hand in a private one.
    explicit ModemManagerTransport(const QDBusConnection &bus, QObject *parent = nullptr);

    QString name() const override;

    // The number as a modem dials it: a leading "+", digits, "*" and "#";
    // spaces, dashes, dots, slashes and brackets dropped. Empty when
    // anything else is in it, or nothing to dial: guessing there could
    // reach a stranger.
    static QString dialableNumber(const QString &number);

    // Finds the modem a message would go through, without waiting; done gets
    // no path when the bus or ModemManager is missing, it lists no modem, or
    // no answer came in time. Nothing is called once context is gone.
    static void findModem(const QDBusConnection &bus, QObject *context,
                          std::function<void(const ModemStatus &modem)> done);

protected:
    void start(const QString &number, const QString &text) override;
    void stop() override;

private:
    // Why no message can go through the modem now, for the person; empty
    // when one can.
    static QString obstacle(const ModemStatus &modem);
    static QDBusMessage managedObjectsCall(const QString &service);
    void create(const QString &modem, const QString &number, const QString &text);
    void sendCreated();
    void deleteDraft();

    QDBusConnection mBus;
    QString mOwner; // unique name of the ModemManager that holds the message
    QString mModem;
    QString mSms;
};

} // namespace platform
