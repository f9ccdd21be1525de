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
        pollfd events = {mEvents, POLLIN, 0};
        const qint64 left = deadline.remainingTime();
        const int result = ::poll(&events, 1, left < 0 ? -1 : int(qMin<qint64>(left, INT_MAX)));
        if (result == 0 || (result < 0 && errno != EINTR))
            return false;
        check();
    }
    return mDone;
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
        if (result != 0)
            return; // still held
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
    for (int *fd : {&mEvents, &mFile}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

} // namespace platform
