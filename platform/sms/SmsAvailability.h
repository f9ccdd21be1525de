// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include <memory>

namespace platform {

class SmsTransport;

// Whether the device can send text messages, kept current without ever
// waiting on the bus on the window's thread: the services are asked in the
// background at first use and again whenever ModemManager or KDE Connect
// comes or goes, and whenever a modem comes, goes or changes its state.
// Until the first answer, and while a new one is awaited, the state is not
// settled.
class SmsAvailability : public QObject {
    Q_OBJECT

public:
    // The process's one watch, on the system and session buses.
    static SmsAvailability &shared();

    bool isSettled() const { return mAnswered && !mLooking; }
    // As last answered; false until then.
    bool canSendText() const { return mKind != Kind::None; }
    // The transport of the last answer, or none.
    std::unique_ptr<SmsTransport> makeTransport() const;

    // The transport to use now: ModemManager when it runs on the system bus
    // with a modem on a network that can send messages, else KDE Connect
    // when it runs on the session bus with a reachable paired phone, else
    // ModemManager for a modem that is off the network, switched off or
    // locked (its failure says so), else none. Waits for
    // the answers, at most SmsTransport::ProbeTimeout per service; a missing
    // bus or service answers at once. Never on the window's thread.
    static std::unique_ptr<SmsTransport> availableTransport(const QDBusConnection &systemBus,
                                                            const QDBusConnection &sessionBus);

Q_SIGNALS:
    // A new answer came in.
    void settled();

private Q_SLOTS:
    void look();
    void modemChanged(const QString &interface, const QVariantMap &changed,
                      const QStringList &invalidated);

private:
    enum class Kind { None, ModemManager, KdeConnect };
    SmsAvailability(const QDBusConnection &systemBus, const QDBusConnection &sessionBus);
    static Kind ask(const QDBusConnection &systemBus, const QDBusConnection &sessionBus);
    static std::unique_ptr<SmsTransport> make(Kind kind, const QDBusConnection &systemBus,
                                              const QDBusConnection &sessionBus);

    QDBusConnection mSystemBus;
    QDBusConnection mSessionBus;
    Kind mKind = Kind::None;
    bool mAnswered = false;
    bool mLooking = false;
    // Only the answer to the latest question counts.
    int mQuestion = 0;
};

} // namespace platform
