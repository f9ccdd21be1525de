// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace platform {

QString formatString(const char *format, std::initializer_list<FormatArg> args)
{
    QString result;
    auto next = args.begin();
    const char *literalStart = format;
    const char *p = format;
    auto flushLiteral = [&](const char *end) {
        if (end > literalStart)
            result += QString::fromUtf8(literalStart, end - literalStart);
    };
    while (*p) {
        if (p[0] != '%' || p[1] == '\0') {
            ++p;
            continue;
        }
        const char directive = p[1];
        if (directive == '%') {
            flushLiteral(p);
            result += u'%';
        } else if ((directive == '@' || directive == 'd') && next != args.end()) {
            flushLiteral(p);
            result += next->text();
            ++next;
        } else {
            p += 2;
            continue;
        }
        p += 2;
        literalStart = p;
    }
    flushLiteral(p);
    return result;
}

void log(const QString &message)
{
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s);
    QString process = QCoreApplication::applicationName();
    if (process.isEmpty())
        process = u"Velkari"_s;
    const QByteArray line =
        (stamp + u' ' + process + u'[' + QString::number(::getpid()) + u"] "_s + message + u'\n')
            .toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

Result<> redirectLog(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    // Mode "a+" of the C library, opened first and then put in place of
    // descriptor 2: unlike freopen, a file that cannot be opened leaves
    // standard error where it was. The log tells what the user scheduled,
    // so it is the user's alone, and never a FIFO or a link someone put there.
    const int fd =
        ::open(name.constData(),
               O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0)
        return Error{QString::fromLocal8Bit(std::strerror(errno))};
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        return Error{u"%1 is not a regular file of this user"_s.arg(path)};
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::fflush(stderr);
    const bool moved = ::dup2(fd, STDERR_FILENO) >= 0;
    const int dupErrno = errno;
    ::close(fd);
    if (!moved)
        return Error{QString::fromLocal8Bit(std::strerror(dupErrno))};
    return {};
}

QString dateDescription(const QDateTime &moment)
{
    return moment.toUTC().toString(u"yyyy-MM-dd HH:mm:ss"_s) + u" +0000"_s;
}

} // namespace platform
