#include "WallClockTimer.h"

#include <QSocketNotifier>

#include <cerrno>
#include <sys/timerfd.h>
#include <unistd.h>

namespace platform {

WallClockTimer::WallClockTimer(QObject *parent)
    : QObject(parent)
{
    mFd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (mFd >= 0) {
        mNotifier = new QSocketNotifier(mFd, QSocketNotifier::Read, this);
        connect(mNotifier, &QSocketNotifier::activated, this, &WallClockTimer::onReadable);
    }
}

WallClockTimer::~WallClockTimer()
{
    if (mFd >= 0)
        ::close(mFd);
}

void WallClockTimer::start(const QDateTime &moment)
{
    if (mFd < 0)
        return;
    const qint64 ms = qMax<qint64>(moment.toMSecsSinceEpoch(), 1);
    itimerspec when = {};
    when.it_value.tv_sec = time_t(ms / 1000);
    when.it_value.tv_nsec = long(ms % 1000) * 1000000;
    ::timerfd_settime(mFd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
}

void WallClockTimer::stop()
{
    if (mFd < 0)
        return;
    const itimerspec disarmed = {};
    ::timerfd_settime(mFd, 0, &disarmed, nullptr);
}

void WallClockTimer::onReadable()
{
    quint64 expirations = 0;
    const ssize_t got = ::read(mFd, &expirations, sizeof expirations);
    // ECANCELED: the clock was set. Either way the time must be read again.
    if (got == sizeof expirations || (got < 0 && errno == ECANCELED))
        Q_EMIT timeout();
}

} // namespace platform
