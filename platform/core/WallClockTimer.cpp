// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/WallClockTimer.h"

#include "platform/core/Logging.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sys/timerfd.h>
#include <unistd.h>

namespace platform {

namespace {

WallClockTimer::TimerFdFactory &timerFdFactory()
{
    static WallClockTimer::TimerFdFactory factory;
    return factory;
}

int makeTimerFd(int clockId)
{
    const int flags = TFD_NONBLOCK | TFD_CLOEXEC;
    if (const auto &factory = timerFdFactory())
        return factory(clockId, flags);
    return ::timerfd_create(clockId, flags);
}

// The Qt timer's longest wait: the wall clock is read again at least this
// often, so a clock that was set or a sleep is noticed.
constexpr qint64 fallbackSliceMs = 60 * 1000;

// Said once per process: every timer of it makes the same choice.
bool saidWhich = false;
bool logsChoice = false;

} // namespace

void WallClockTimer::setLogsClockChoice(bool logs)
{
    logsChoice = logs;
    saidWhich = false;
}

void WallClockTimer::setTimerFdFactory(TimerFdFactory factory)
{
    timerFdFactory() = std::move(factory);
    saidWhich = false;
}

WallClockTimer::WallClockTimer(QObject *parent)
    : QObject(parent)
{
    QString why;
    mFd = makeTimerFd(CLOCK_REALTIME_ALARM);
    if (mFd >= 0) {
        mKind = Kind::Alarm;
        why = QStringLiteral("CLOCK_REALTIME_ALARM: reminders wake the device from suspend");
    } else {
        const int alarmError = errno;
        const QString alarmWhy = alarmError == EPERM
                                     ? QStringLiteral("no CAP_WAKE_ALARM")
                                     : QString::fromLocal8Bit(std::strerror(alarmError));
        mFd = makeTimerFd(CLOCK_REALTIME);
        if (mFd >= 0) {
            mKind = Kind::Realtime;
            why = QStringLiteral("CLOCK_REALTIME (%1): reminders fire on time while awake, "
                                 "after resume when suspended")
                      .arg(alarmWhy);
        } else {
            mKind = Kind::QtTimer;
            why = QStringLiteral("a Qt timer re-armed from the wall clock (no timerfd: %1)")
                      .arg(QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
    if (logsChoice && !saidWhich) {
        qCInfo(lcCore, "Reminder timer: %s", qUtf8Printable(why));
        saidWhich = true;
    }
    if (mFd >= 0) {
        mNotifier = new QSocketNotifier(mFd, QSocketNotifier::Read, this);
        connect(mNotifier, &QSocketNotifier::activated, this, &WallClockTimer::onReadable);
    } else {
        mFallback = new QTimer(this);
        mFallback->setSingleShot(true);
        mFallback->setTimerType(Qt::PreciseTimer);
        connect(mFallback, &QTimer::timeout, this, [this] {
            if (QDateTime::currentDateTimeUtc() >= mMoment)
                Q_EMIT timeout();
            else
                armFallback();
        });
    }
}

WallClockTimer::~WallClockTimer()
{
    if (mFd >= 0)
        ::close(mFd);
}

void WallClockTimer::start(const QDateTime &moment)
{
    mMoment = moment;
    if (mFallback) {
        armFallback();
        return;
    }
    const qint64 ms = qMax<qint64>(moment.toMSecsSinceEpoch(), 1);
    itimerspec when = {};
    when.it_value.tv_sec = time_t(ms / 1000);
    when.it_value.tv_nsec = long(ms % 1000) * 1000000;
    ::timerfd_settime(mFd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
}

void WallClockTimer::stop()
{
    if (mFallback) {
        mFallback->stop();
        return;
    }
    const itimerspec disarmed = {};
    ::timerfd_settime(mFd, 0, &disarmed, nullptr);
}

void WallClockTimer::armFallback()
{
    const qint64 left = QDateTime::currentDateTimeUtc().msecsTo(mMoment);
    mFallback->start(int(qBound<qint64>(0, left, fallbackSliceMs)));
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
