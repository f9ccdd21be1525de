// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/AtomicFile.h"

#include "platform/core/PrivateFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

Error failure(int code)
{
    return Error{QString::fromLocal8Bit(std::strerror(code))};
}

bool writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

Result<void> writeFileAtomically(const QString &path, const QByteArray &bytes, bool followLinks)
{
    // Past the file-size limit (ulimit -f) a write then fails with EFBIG, an
    // ordinary failed save, instead of the signal ending the process.
    std::signal(SIGXFSZ, SIG_IGN);

    QFileInfo info(path);
    if (followLinks && info.isSymLink())
        info = QFileInfo(info.symLinkTarget());
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    QByteArray temporary = folder + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";

    if (const Result<void> owned = isOwnedByUser(info.absolutePath()); !owned)
        return Error{owned.error()};
    if (info.exists()) {
        if (const Result<void> owned = isOwnedByUser(info.absoluteFilePath(), false); !owned)
            return Error{owned.error()};
    }

    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return failure(errno);

    // Never wider than the user's own: what was scheduled is nobody else's.
    struct stat old = {};
    if (::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 0600);

    if (!writeAll(fd, bytes.constData(), bytes.size()) || ::fdatasync(fd) != 0) {
        const int code = errno;
        ::close(fd);
        ::unlink(temporary.constData());
        return failure(code);
    }
    // Some file systems report write errors only when the file is closed.
    if (::close(fd) != 0 || ::rename(temporary.constData(), target.constData()) != 0) {
        const int code = errno;
        ::unlink(temporary.constData());
        return failure(code);
    }

    // Make the rename itself durable.
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

int removeStaleTemporaries(const QString &path, int minimumAgeSeconds)
{
    const QFileInfo info(path);
    QDir folder = info.absoluteDir();
    // The names writeFileAtomically gives: a dot, the name, a dot, six more.
    const QString pattern = u"."_s + info.fileName() + u".??????"_s;
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-minimumAgeSeconds);
    int removed = 0;
    const QFileInfoList found =
        folder.entryInfoList({pattern}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &temporary : found) {
        if (temporary.lastModified().toUTC() < before && QFile::remove(temporary.filePath()))
            ++removed;
    }
    return removed;
}

} // namespace platform
