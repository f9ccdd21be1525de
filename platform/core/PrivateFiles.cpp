// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

// A folder (not a link to one) of this user's; with wantPrivateMode, one
// that nobody else may enter either.
bool isPrivateFolder(const QByteArray &path, bool wantPrivateMode)
{
    struct stat info = {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (!wantPrivateMode || (info.st_mode & 077) == 0);
}

QString errnoText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

QString notOwned(const QString &path)
{
    return u"%1 belongs to another user; Velkari does not use it"_s.arg(path);
}

constexpr qsizetype HugePage = qsizetype(2) << 20;

// Room for a large file's bytes that starts on a huge-page boundary and
// asks for huge pages, made present in one call: a handful of faults where
// the kernel would otherwise take one per 4 KiB page as read() fills them.
// The array's slack in front of the aligned start is never touched.
QByteArray largeBuffer(qsizetype size)
{
    const qsizetype span = (size + HugePage - 1) & ~(HugePage - 1);
    QByteArray bytes(span + HugePage, Qt::Uninitialized);
    const auto base = quintptr(bytes.constData());
    const qsizetype skip = qsizetype(((base + HugePage - 1) & ~quintptr(HugePage - 1)) - base);
    // Dropping the front moves the array's start, not its bytes.
    bytes.remove(0, skip);
    bytes.truncate(size);
    char *start = bytes.data();
    ::madvise(start, size_t(span), MADV_HUGEPAGE);
    ::madvise(start, size_t(span), MADV_POPULATE_WRITE);
    return bytes;
}

} // namespace

Result<void> isOwnedByUser(const QString &path, bool followLinks)
{
    struct stat info = {};
    const QByteArray name = QFile::encodeName(path);
    const int result =
        followLinks ? ::stat(name.constData(), &info) : ::lstat(name.constData(), &info);
    if (result != 0)
        return Error{errnoText(errno)};
    if (info.st_uid != ::geteuid())
        return Error{notOwned(path)};
    return {};
}

Result<int> openRegularFile(const QString &path, int flags)
{
    if (flags & OwnFile) {
        if (const Result<void> owned = isOwnedByUser(QFileInfo(path).absolutePath()); !owned)
            return Error{owned.error()};
    }
    int openFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (flags & NoFollow)
        openFlags |= O_NOFOLLOW;
    const int fd = ::open(QFile::encodeName(path).constData(), openFlags);
    if (fd < 0) {
        const int code = errno;
        return Error{code == ELOOP && (flags & NoFollow) ? u"%1 is a symbolic link"_s.arg(path)
                                                         : errnoText(code)};
    }
    struct stat info = {};
    QString reason;
    if (::fstat(fd, &info) != 0)
        reason = errnoText(errno);
    else if (!S_ISREG(info.st_mode))
        reason = u"%1 is not a regular file"_s.arg(path);
    else if (info.st_size > MaximumFileSize)
        reason = u"%1 is larger than %2 MiB"_s.arg(path).arg(MaximumFileSize >> 20);
    else if ((flags & OwnFile) && info.st_uid != ::geteuid())
        reason = notOwned(path);
    if (reason.isEmpty() && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        reason = errnoText(errno);
    if (!reason.isEmpty()) {
        ::close(fd);
        return Error{reason};
    }
    return fd;
}

Result<QByteArray> readRegularFile(const QString &path, int flags)
{
    const Result<int> opened = openRegularFile(path, flags);
    if (!opened)
        return Error{opened.error()};
    const int fd = *opened;
    struct stat info = {};
    ::fstat(fd, &info);
    // Straight into the array, one byte more than the file has, which tells
    // when it grew while we read.
    const qsizetype room = qsizetype(std::max<off_t>(info.st_size, 0)) + 1;
    QByteArray bytes = room >= HugePage ? largeBuffer(room) : QByteArray(room, Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > MaximumFileSize)
                break;
            bytes.resize(std::min(used * 2, MaximumFileSize + 1));
        }
        const ssize_t got = ::read(fd, bytes.data() + used, size_t(bytes.size() - used));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int code = errno;
            ::close(fd);
            return Error{errnoText(code)};
        }
        if (got == 0)
            break;
        used += got;
    }
    ::close(fd);
    if (used > MaximumFileSize)
        return Error{u"%1 is larger than %2 MiB"_s.arg(path).arg(MaximumFileSize >> 20)};
    bytes.truncate(used);
    return bytes;
}

Result<void> makePrivateDirectory(const QString &path)
{
    const QByteArray full = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    // Each missing part is made 0700 (the umask only takes bits away).
    for (qsizetype slash = full.indexOf('/', 1);; slash = full.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? full : full.left(slash);
        if (!part.isEmpty() && ::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return Error{u"%1: %2"_s.arg(QFile::decodeName(part), errnoText(errno))};
        if (slash < 0)
            break;
    }
    struct stat info = {};
    if (::stat(full.constData(), &info) != 0)
        return Error{errnoText(errno)};
    if (!S_ISDIR(info.st_mode))
        return Error{u"%1 is not a folder"_s.arg(path)};
    if (info.st_uid != ::geteuid())
        return Error{notOwned(path)};
    // Made by an older version, or with a looser umask.
    if ((info.st_mode & 077) != 0 && ::chmod(full.constData(), info.st_mode & 0700) != 0)
        return Error{errnoText(errno)};
    return {};
}

uint userId()
{
    return ::geteuid();
}

QString privateRuntimeDirectory(const QString &prefix)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime, false))
        return QFile::decodeName(runtime);
    const QByteArray own = QFile::encodeName(QDir::tempPath() + u'/' + prefix + u'-') +
                           QByteArray::number(::geteuid());
    if (::mkdir(own.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    // Someone else may have made it first: checked, not trusted.
    if (!isPrivateFolder(own, true))
        return {};
    return QFile::decodeName(own);
}

QByteArray fileFingerprint(const QString &path)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return "missing";
    return QByteArray::number(qulonglong(info.st_dev)) + ':' +
           QByteArray::number(qulonglong(info.st_ino)) + ':' +
           QByteArray::number(qlonglong(info.st_size)) + ':' +
           QByteArray::number(qlonglong(info.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qlonglong(info.st_mtim.tv_nsec));
}

bool pathExists(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

Result<MoveResult> renameNoReplace(const QString &from, const QString &to)
{
    if (::renameat2(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD,
                    QFile::encodeName(to).constData(), RENAME_NOREPLACE) == 0)
        return MoveResult::Moved;
    const int code = errno;
    if (code == EEXIST)
        return MoveResult::TargetExists;
    return Error{errnoText(code)};
}

} // namespace platform
