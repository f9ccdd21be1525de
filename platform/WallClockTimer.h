#pragma once

#include <QDateTime>
#include <QObject>

class QSocketNotifier;

namespace platform {

// Wakes at a moment of the wall clock, not after a duration: it fires on time
// after the machine slept (a monotonic timer would stop during sleep), and
// also fires at once when the system clock is set, so that the owner looks
// at the time again. Built on timerfd (CLOCK_REALTIME, cancel on set).
class WallClockTimer : public QObject {
    Q_OBJECT

public:
    explicit WallClockTimer(QObject *parent = nullptr);
    ~WallClockTimer() override;

    void start(const QDateTime &moment);
    void stop();

Q_SIGNALS:
    // The moment came, or the clock was set: look at the time again.
    void timeout();

private:
    void onReadable();

    int mFd = -1;
    QSocketNotifier *mNotifier = nullptr;
};

} // namespace platform
