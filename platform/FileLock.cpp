#include "FileLock.h"

#include "StandardPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace platform {

FileLock::FileLock(const QString &path)
    : mPath(path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    mFd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd);
    return !free;
}

qint64 FileLock::holder(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readLine().trimmed().toLongLong();
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
