// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>

class QSocketNotifier;
class QTimer;

namespace platform {

// Wakes at a moment of the wall clock, not after a duration: it fires on time
// after the machine slept (a monotonic timer would stop during sleep), and
// also fires at once when the system clock is set, so that the owner looks
// at the time again. Built on timerfd: CLOCK_REALTIME_ALARM when the process
// holds CAP_WAKE_ALARM (then a suspended device is woken for it), else
// CLOCK_REALTIME; without any timerfd, a Qt timer re-armed from the wall
// clock, so that it always fires.
class WallClockTimer : public QObject {
    Q_OBJECT

public:
    enum class Kind { Alarm, Realtime, QtTimer };

    // Makes a timerfd for a clock, as timerfd_create does (-1 and errno on
    // failure). Replaceable so that tests need neither an RTC nor the
    // capability.
    using TimerFdFactory = std::function<int(int clockId, int flags)>;
    static void setTimerFdFactory(TimerFdFactory factory);
    // Whether the first timer says in the log which clock it uses (the
    // resident service does; the app keeps its log for its own steps).
    static void setLogsClockChoice(bool logs);

    explicit WallClockTimer(QObject *parent = nullptr);
    ~WallClockTimer() override;

    void start(const QDateTime &moment);
    void stop();

    Kind kind() const { return mKind; }

Q_SIGNALS:
    // The moment came, or the clock was set: look at the time again.
    void timeout();

private:
    void onReadable();
    void armFallback();

    int mFd = -1;
    Kind mKind = Kind::QtTimer;
    QSocketNotifier *mNotifier = nullptr;
    QTimer *mFallback = nullptr;
    QDateTime mMoment;
};

} // namespace platform
