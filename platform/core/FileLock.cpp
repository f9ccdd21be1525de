// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/FileLock.h"

#include "platform/core/Logging.h"
#include "platform/core/PrivateFiles.h"
#include "platform/core/StandardPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace platform {

FileLock::FileLock(const QString &path)
    : mPath(path)
{
    if (const Result<void> folder = makePrivateDirectory(QFileInfo(path).absolutePath()); !folder) {
        qCWarning(lcCore, "Cannot lock %s: %s", qUtf8Printable(path),
                  qUtf8Printable(folder.error()));
        return;
    }
    // Not through a link, never blocking on a FIFO, and only a regular file
    // of our own: another user's file could be locked against us forever.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) {
        qCWarning(lcCore, "Cannot lock %s: %s", qUtf8Printable(path),
                  qUtf8Printable(QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        qCWarning(lcCore, "Cannot lock %s: not a regular file of this user", qUtf8Printable(path));
        ::close(fd);
        return;
    }
    mFd = fd;
}

FileLock::~FileLock()
{
    if (mFd >= 0)
        ::close(mFd); // releases the lock
}

bool FileLock::lock(bool wait)
{
    if (mFd < 0)
        return false;
    if (mLocked)
        return true;
    int result;
    do {
        result = ::flock(mFd, LOCK_EX | (wait ? 0 : LOCK_NB));
    } while (result != 0 && errno == EINTR);
    mLocked = result == 0;
    return mLocked;
}

void FileLock::unlock()
{
    if (mLocked && mFd >= 0)
        ::flock(mFd, LOCK_UN);
    mLocked = false;
}

void FileLock::recordHolder()
{
    if (mFd < 0)
        return;
    const QByteArray pid = QByteArray::number(::getpid()) + '\n';
    if (::ftruncate(mFd, 0) == 0) [[maybe_unused]]
        const ssize_t written = ::pwrite(mFd, pid.constData(), size_t(pid.size()), 0);
}

bool FileLock::isHeld(const QString &path)
{
    const Result<int> fd = openRegularFile(path, NoFollow);
    if (!fd)
        return false;
    const bool free = ::flock(*fd, LOCK_SH | LOCK_NB) == 0;
    ::close(*fd);
    return !free;
}

qint64 FileLock::holder(const QString &path)
{
    const Result<QByteArray> bytes = readRegularFile(path, NoFollow);
    if (!bytes)
        return 0;
    return bytes->left(bytes->indexOf('\n')).trimmed().toLongLong();
}

QString applicationLockPath()
{
    return applicationDataDirectory() + u"/Library/Velkari.lock"_s;
}

QString reminderServiceLockPath()
{
    return applicationDataDirectory() + u"/Library/velkari-reminders.lock"_s;
}

} // namespace platform
