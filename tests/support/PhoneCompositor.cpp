// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhoneCompositor.h"

#include "BlockingWaits.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Our environment with the settings given on top, ready for execve: made
// before fork, for after it only async-signal-safe calls are allowed.
QList<QByteArray> environmentWith(const QStringList &settings)
{
    QList<QByteArray> entries;
    for (char **entry = environ; *entry; ++entry)
        entries.append(*entry);
    for (const QString &setting : settings) {
        const QByteArray bytes = setting.toLocal8Bit();
        const QByteArray name = bytes.left(bytes.indexOf('=') + 1);
        entries.removeIf([&name](const QByteArray &entry) { return entry.startsWith(name); });
        entries.append(bytes);
    }
    return entries;
}

QList<char *> pointers(QList<QByteArray> &strings)
{
    QList<char *> list;
    for (QByteArray &string : strings)
        list.append(string.data());
    list.append(nullptr);
    return list;
}

// Starts program with the environment given on top of ours, its output in
// logPath, keepFd left open; it dies with us (PR_SET_PDEATHSIG).
pid_t spawn(const QStringList &program, const QStringList &environment, const QString &logPath,
            int keepFd = -1, int outputFd = -1)
{
    QList<QByteArray> arguments;
    for (const QString &argument : program)
        arguments.append(QFile::encodeName(argument));
    QList<QByteArray> settings = environmentWith(environment);
    const QList<char *> argv = pointers(arguments);
    const QList<char *> envp = pointers(settings);
    const QByteArray log = QFile::encodeName(logPath);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        ::_exit(127);
    const int fd = ::open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    ::dup2(outputFd >= 0 ? outputFd : fd, 1);
    ::dup2(fd, 2);
    ::dup2(::open("/dev/null", O_RDONLY), 0);
    for (int other = 3; other < 1024; ++other) {
        if (other != keepFd)
            ::close(other);
    }
    ::execvpe(argv.first(), argv.data(), envp.data());
    ::_exit(127);
}

// Ends the process: asked first, then made to.
void end(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    if (!waitForProcessesToEnd({pid}, 5000))
        ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

} // namespace

PhoneCompositor::PhoneCompositor()
{
    QByteArray dir = QFile::encodeName(QDir::tempPath()) + "/velkari-phoc-XXXXXX";
    if (!::mkdtemp(dir.data())) { // made 0700: a runtime folder as logind makes one
        mError = u"cannot make a runtime folder"_s;
        return;
    }
    mDir = QFile::decodeName(dir);

    // Xvfb picks a free display and writes its number to the pipe.
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        mError = u"no pipe"_s;
        return;
    }
    mXvfb = spawn({u"Xvfb"_s, u"-displayfd"_s, QString::number(pipeFds[1]), u"-screen"_s, u"0"_s,
                   u"720x1440x24"_s, u"-nolisten"_s, u"tcp"_s},
                  {}, mDir + u"/xvfb.log"_s, pipeFds[1]);
    ::close(pipeFds[1]);
    QByteArray number;
    pollfd readable{pipeFds[0], POLLIN, 0};
    char c = 0;
    while (::poll(&readable, 1, 20000) > 0 && ::read(pipeFds[0], &c, 1) == 1 && c != '\n')
        number.append(c);
    ::close(pipeFds[0]);
    if (number.isEmpty()) {
        mError = u"Xvfb did not start: "_s + QString::fromLocal8Bit(log());
        return;
    }
    mXDisplay = u":"_s + QString::fromLatin1(number);

    // A phone's screen: 720x1440 at scale 2, 360 points wide.
    QFile config(mDir + u"/phoc.ini"_s);
    if (config.open(QIODevice::WriteOnly))
        config.write("[output:X11-1]\nmode = 720x1440\nscale = 2\n");
    config.close();
    // GLib writes debug messages to standard output, which a file would
    // otherwise hold back in blocks.
    mPhoc = spawn({u"stdbuf"_s, u"-oL"_s, u"phoc"_s, u"-C"_s, config.fileName()},
                  {u"DISPLAY="_s + mXDisplay, u"XDG_RUNTIME_DIR="_s + mDir, u"WAYLAND_DISPLAY="_s,
                   u"WLR_BACKENDS=x11"_s, u"WLR_RENDERER=pixman"_s, u"WLR_X11_OUTPUTS=1"_s,
                   u"G_MESSAGES_DEBUG=all"_s, u"GSETTINGS_BACKEND=memory"_s, u"HOME="_s + mDir},
                  mDir + u"/phoc.log"_s);
    if (!waitForLog("Running compositor on wayland display")) {
        mError = u"phoc did not start: "_s + QString::fromLocal8Bit(log().right(2000));
        end(mPhoc);
        mPhoc = -1;
    }
}

PhoneCompositor::~PhoneCompositor()
{
    for (pid_t client : std::as_const(mClients))
        end(client);
    end(mPhoc);
    end(mXvfb);
    if (!mDir.isEmpty())
        QDir(mDir).removeRecursively();
}

void PhoneCompositor::becomeTheSessionsCompositor() const
{
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(mDir));
    // A path: it holds also where XDG_RUNTIME_DIR is moved later.
    qputenv("WAYLAND_DISPLAY", QFile::encodeName(mDir + u"/wayland-0"_s));
    qputenv("QT_QPA_PLATFORM", "wayland");
    // Nothing of ours goes to the X display underneath.
    qunsetenv("DISPLAY");
}

QByteArray PhoneCompositor::log() const
{
    QFile file(mDir + (mPhoc > 0 ? u"/phoc.log"_s : u"/xvfb.log"_s));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool PhoneCompositor::waitForLog(const QByteArray &text, int timeoutMs) const
{
    return waitForTextInFile(mDir + u"/phoc.log"_s, text, timeoutMs);
}

pid_t PhoneCompositor::startClient(const QStringList &program)
{
    const pid_t pid = spawn(program, {u"XDG_RUNTIME_DIR="_s + mDir, u"WAYLAND_DISPLAY=wayland-0"_s},
                            mDir + u"/clients.log"_s);
    if (pid > 0)
        mClients.append(pid);
    return pid;
}

void PhoneCompositor::endClient(pid_t pid)
{
    if (mClients.removeOne(pid))
        end(pid);
}

QString PhoneCompositor::activationToken(const QString &appId) const
{
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t pid = spawn({QStringLiteral(ACTIVATION_TOKEN_HELPER), appId},
                            {u"XDG_RUNTIME_DIR="_s + mDir, u"WAYLAND_DISPLAY=wayland-0"_s},
                            mDir + u"/clients.log"_s, -1, out[1]);
    ::close(out[1]);
    QByteArray token;
    pollfd readable{out[0], POLLIN, 0};
    char buffer[256];
    ssize_t got = 0;
    while (::poll(&readable, 1, 10000) > 0 && (got = ::read(out[0], buffer, sizeof buffer)) > 0)
        token.append(buffer, got);
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return QString::fromUtf8(token.trimmed());
}
