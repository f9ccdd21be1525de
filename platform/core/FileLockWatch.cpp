// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/FileLockWatch.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

FileLockWatch::FileLockWatch(const QString &path, QObject *parent)
    : QObject(parent)
{
    const QByteArray name = QFile::encodeName(path);
    mFile = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    mEvents = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    // Watched before the first try, so that a close between the two is
    // still heard of.
    if (mFile >= 0 && mEvents >= 0 &&
        ::inotify_add_watch(mEvents, name.constData(),
                            IN_CLOSE_WRITE | IN_CLOSE_NOWRITE | IN_DELETE_SELF | IN_MOVE_SELF) >=
            0) {
        mNotifier = new QSocketNotifier(mEvents, QSocketNotifier::Read, this);
        connect(mNotifier, &QSocketNotifier::activated, this, &FileLockWatch::check);
    }
    QMetaObject::invokeMethod(this, &FileLockWatch::check, Qt::QueuedConnection);
}

FileLockWatch::~FileLockWatch()
{
    stop();
}

bool FileLockWatch::waitForReleased(QDeadlineTimer deadline)
{
    check();
    while (!mDone && mNotifier) {
        pollfd events[2] = {{mEvents, POLLIN, 0}, {mHolder, POLLIN, 0}};
        const qint64 left = deadline.remainingTime();
        const int result =
            ::poll(events, mHolder >= 0 ? 2 : 1, left < 0 ? -1 : int(qMin<qint64>(left, INT_MAX)));
        if (result == 0 || (result < 0 && errno != EINTR))
            return false;
        if (mHolder >= 0 && (events[1].revents & POLLIN))
            holderEnded();
        else
            check();
    }
    return mDone;
}

void FileLockWatch::followHolder()
{
    char text[32] = {};
    const ssize_t size = ::pread(mFile, text, sizeof text - 1, 0);
    const qint64 pid = size > 0 ? QByteArray(text, size).split('\n').first().toLongLong() : 0;
    if (pid <= 0 || pid == mHolderPid)
        return;
    stopWatchingHolder();
    mHolderPid = pid;
    // Another pid namespace's number names nobody here, or someone else:
    // then only the closes are heard, as without.
    // (Debian 12's <sys/pidfd.h> declares it without extern "C".)
    mHolder = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (mHolder < 0)
        return;
    mHolderNotifier = new QSocketNotifier(mHolder, QSocketNotifier::Read, this);
    connect(mHolderNotifier, &QSocketNotifier::activated, this, &FileLockWatch::holderEnded);
}

void FileLockWatch::stopWatchingHolder()
{
    if (mHolderNotifier) {
        mHolderNotifier->setEnabled(false);
        mHolderNotifier->deleteLater();
        mHolderNotifier = nullptr;
    }
    if (mHolder >= 0)
        ::close(mHolder);
    mHolder = -1;
}

void FileLockWatch::holderEnded()
{
    // Readable for good once it ended: told once.
    stopWatchingHolder();
    check();
}

void FileLockWatch::announceRelease(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0)
        ::close(fd);
}

void FileLockWatch::check()
{
    if (mEvents >= 0) {
        char events[4096];
        while (::read(mEvents, events, sizeof events) > 0) {
        }
    }
    if (mDone)
        return;
    if (mNotifier) {
        int result;
        do {
            result = ::flock(mFile, LOCK_SH | LOCK_NB);
        } while (result != 0 && errno == EINTR);
        if (result != 0) {
            followHolder(); // still held
            return;
        }
        ::flock(mFile, LOCK_UN);
    }
    mDone = true;
    stop();
    Q_EMIT released();
}

void FileLockWatch::stop()
{
    if (mNotifier) {
        // Possibly from inside its own signal: it goes later, quiet now.
        mNotifier->setEnabled(false);
        mNotifier->deleteLater();
        mNotifier = nullptr;
    }
    if (mHolderNotifier) {
        mHolderNotifier->setEnabled(false);
        mHolderNotifier->deleteLater();
        mHolderNotifier = nullptr;
    }
    for (int *fd : {&mEvents, &mFile, &mHolder}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

} // namespace platform
