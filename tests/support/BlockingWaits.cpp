// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlockingWaits.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Gone, or a zombie its parent has not reaped yet.
bool hasEnded(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype paren = text.lastIndexOf(')');
    return paren < 0 || text.mid(paren + 2, 1) == "Z";
}

int remainingMs(const QDeadlineTimer &deadline)
{
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

} // namespace

bool waitForProcessesToEnd(const QList<pid_t> &pids, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // A process descriptor becomes readable when its process ends.
    QList<pollfd> running;
    bool described = true;
    for (pid_t pid : pids) {
        const int fd = int(::syscall(SYS_pidfd_open, pid, 0));
        if (fd >= 0)
            running.append({fd, POLLIN, 0});
        else if (errno != ESRCH) // ESRCH: already gone
            described = false;
    }
    bool ended = true;
    if (described) {
        while (!running.isEmpty()) {
            const int ready = ::poll(running.data(), nfds_t(running.size()), remainingMs(deadline));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0) {
                ended = false;
                break;
            }
            for (qsizetype i = running.size() - 1; i >= 0; --i) {
                if (running.at(i).revents != 0) {
                    ::close(running.at(i).fd);
                    running.removeAt(i);
                }
            }
        }
    } else {
        // Only on kernels before 5.3, which have no process descriptors.
        while (!std::all_of(pids.begin(), pids.end(), hasEnded) && !deadline.hasExpired())
            QThread::msleep(10);
        ended = std::all_of(pids.begin(), pids.end(), hasEnded);
    }
    for (const pollfd &entry : std::as_const(running))
        ::close(entry.fd);
    return ended;
}

bool waitForTextInFile(const QString &path, const QByteArray &text, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // The folder is watched, so that the file's making is seen as well.
    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (watch < 0)
        return false;
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    bool found = false;
    if (::inotify_add_watch(watch, folder.constData(),
                            IN_CREATE | IN_MODIFY | IN_MOVED_TO | IN_CLOSE_WRITE) >= 0) {
        QFile file(path);
        while (true) {
            // Read after the watch is set: whatever is written later wakes
            // the poll below.
            if (file.open(QIODevice::ReadOnly)) {
                found = file.readAll().contains(text);
                file.close();
            }
            if (found)
                break;
            pollfd readable{watch, POLLIN, 0};
            const int ready = ::poll(&readable, 1, remainingMs(deadline));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                break;
            char events[4096];
            while (::read(watch, events, sizeof events) > 0) {
            }
        }
    }
    ::close(watch);
    return found;
}
