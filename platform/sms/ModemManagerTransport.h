// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/sms/SmsTransport.h"

#include <QDBusConnection>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

namespace platform {

// Sends through the phone's own modem, as ModemManager offers it on the
// system bus: the message is created on the first modem with the Messaging
// interface, sent, and counts as sent once its State says so. ModemManager
// answers Send only when the modem is done, so a slow network takes the
// time limit rather than a D-Bus timeout.
class ModemManagerTransport : public SmsTransport {
    Q_OBJECT

public:
    // MMSmsState, from ModemManager-enums.h. There is no failed state: a
    // failed Send answers with an error and leaves the message stored.
    enum SmsState : uint {
        SmsStateUnknown = 0,
        SmsStateStored = 1,
        SmsStateReceiving = 2,
        SmsStateReceived = 3,
        SmsStateSending = 4,
        SmsStateSent = 5,
    };

    // bus is the system bus in production; tests hand in a private one.
    explicit ModemManagerTransport(const QDBusConnection &bus, QObject *parent = nullptr);
    ~ModemManagerTransport() override;

    QString name() const override;

    // The path of the modem a message would go through; empty when the bus
    // or ModemManager is missing, no modem can send messages, or no answer
    // came within timeout.
    static QString messagingModem(const QDBusConnection &bus, std::chrono::milliseconds timeout);

protected:
    void start(const QString &number, const QString &text) override;
    void stop() override;

private Q_SLOTS:
    void smsPropertiesChanged(const QString &interface, const QVariantMap &changed,
                              const QStringList &invalidated, const QDBusMessage &message);

private:
    static QDBusMessage managedObjectsCall();
    void create(const QString &modem, const QString &number, const QString &text);
    void sendCreated();
    void readState();
    void takeState(uint state);
    void watchSms(bool watch);
    void deleteDraft();

    QDBusConnection mBus;
    QString mOwner; // unique name of the ModemManager that holds the message
    QString mModem;
    QString mSms;
    bool mWatching = false;
    bool mSeenSending = false;
    bool mReading = false;
    QTimer mPoll;
};

} // namespace platform
