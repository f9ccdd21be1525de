// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class QDBusConnection;
class QDBusMessage;
class QDBusPendingCallWatcher;

namespace platform {

// Sends a text message the way the device can: through the phone's own modem
// or through a phone paired with the desktop. The composer asks for the
// available transport when it opens and sends when the user presses Send.
//
// One message at a time per object: send() refuses while one is on its way.
// Every send() that returns true is answered by exactly one finished(), never
// from inside send() itself, and at the latest when the time limit is up.
// Sending never waits on the bus: the event loop keeps running throughout.
class SmsTransport : public QObject {
    Q_OBJECT

public:
    enum class State { Idle, Sending, Sent, Failed };
    Q_ENUM(State)

    static constexpr std::chrono::milliseconds DefaultTimeLimit{60000};
    // How long the availability checks wait for each answer.
    static constexpr std::chrono::milliseconds ProbeTimeout{1000};

    ~SmsTransport() override;

    // For the user and the log, e.g. "ModemManager".
    virtual QString name() const = 0;

    // Starts sending text to number, both passed on exactly as given; a
    // blank number fails (through finished() as well). False, with no
    // finished() to follow, while an earlier message is on its way.
    bool send(const QString &number, const QString &text);

    State state() const { return mState; }
    bool isBusy() const { return mState == State::Sending; }

    // After this long without a confirmation the send counts as failed,
    // although the message may still go out later.
    std::chrono::milliseconds timeLimit() const { return mTimeLimit; }
    void setTimeLimit(std::chrono::milliseconds limit) { mTimeLimit = limit; }

Q_SIGNALS:
    void stateChanged(platform::SmsTransport::State state);
    // error is empty when sent, and says why otherwise.
    void finished(bool sent, const QString &error);

protected:
    explicit SmsTransport(QObject *parent);

    // Begins the work for one send; it ends by calling finish().
    virtual void start(const QString &number, const QString &text) = 0;
    // Forgets what the finished send was still waiting for.
    virtual void stop() {}

    // Reports the result; only the first call per send counts.
    void finish(bool sent, const QString &error);

    // Calls a method without waiting; reply is called with the answer unless
    // the send has finished by then.
    using ReplyHandler = std::function<void(const QDBusMessage &reply)>;
    void call(const QDBusConnection &bus, const QDBusMessage &message, ReplyHandler reply);

    // A call that never starts a service that is not running.
    static QDBusMessage methodCall(const QString &service, const QString &path,
                                   const QString &interface, const QString &method);
    // Who owns service now, as a unique name; a reply's sender is not that
    // name on every Qt (6.8 leaves it empty), so the bus is asked.
    static QDBusMessage nameOwnerCall(const QString &service);
    // For the availability checks: calls without waiting, for at most
    // ProbeTimeout; reply gets the answer, or the error that took its place,
    // unless context is gone by then.
    static void probe(const QDBusConnection &bus, const QDBusMessage &message, QObject *context,
                      ReplyHandler reply);
    static bool isError(const QDBusMessage &reply);
    static bool isServiceMissing(const QDBusMessage &reply);
    static QString errorText(const QDBusMessage &reply);

private:
    void setState(State state);
    void complete(bool sent, const QString &error);

    State mState = State::Idle;
    std::chrono::milliseconds mTimeLimit = DefaultTimeLimit;
    QDeadlineTimer mDeadline;
    QTimer mTimer;
    bool mStarting = false;
    bool mFinishing = false;
    QList<QDBusPendingCallWatcher *> mPending;
};

} // namespace platform
