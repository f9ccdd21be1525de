// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include <memory>

namespace platform {

class SmsTransport;

// Whether the device can send text messages, and which way, kept current
// without ever waiting on the bus: the services are asked at first use and
// again whenever ModemManager or KDE Connect comes or goes, and whenever a
// modem comes, goes or changes its state. Until the first answer, and while
// a new one is awaited, the state is not settled.
//
// The way is ModemManager when it has a modem on a network that can send
// messages, else KDE Connect when it has a reachable paired phone, else
// ModemManager for a modem that is off the network, switched off or locked
// (sending then says what to do about it), else none.
class SmsAvailability : public QObject {
    Q_OBJECT

public:
    // The process's one watch, on the system and session buses; it goes
    // with the application object.
    static SmsAvailability &shared();

    // A watch of its own on these buses.
    SmsAvailability(const QDBusConnection &systemBus, const QDBusConnection &sessionBus,
                    QObject *parent = nullptr);

    bool isSettled() const { return mAnswered && !mLooking; }
    // As last answered; false until then.
    bool canSendText() const { return mKind != Kind::None; }
    // The transport of the last answer, or none.
    std::unique_ptr<SmsTransport> makeTransport() const;

Q_SIGNALS:
    // A new answer came in.
    void settled();

private Q_SLOTS:
    void look();
    void modemChanged(const QString &interface, const QVariantMap &changed,
                      const QStringList &invalidated);

private:
    enum class Kind { None, ModemManager, KdeConnect };
    void answer(int question, Kind kind);

    QDBusConnection mSystemBus;
    QDBusConnection mSessionBus;
    Kind mKind = Kind::None;
    bool mAnswered = false;
    bool mLooking = false;
    // Only the answer to the latest question counts.
    int mQuestion = 0;
};

} // namespace platform
