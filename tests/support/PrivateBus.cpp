// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateBus.h"

#include "BlockingWaits.h"

#include <QDBusMessage>
#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// The processes whose environment names this bus as their starter.
QList<pid_t> startedBy(const QString &address)
{
    const QByteArray wanted = "DBUS_STARTER_ADDRESS=" + address.toUtf8();
    QList<pid_t> pids;
    for (const QString &entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number || pid == ::getpid())
            continue;
        QFile environ(u"/proc/%1/environ"_s.arg(entry));
        if (environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(wanted))
            pids.append(pid);
    }
    return pids;
}

// Gone, or a zombie its new parent has not reaped yet.
bool hasEnded(pid_t pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype paren = text.lastIndexOf(')');
    return paren < 0 || text.mid(paren + 2, 1) == "Z";
}

} // namespace

PrivateBus::PrivateBus(Services services)
{
    // A bus of its own, that starts no services of the machine's: only what
    // the test puts on it is there.
    QFile config(mDir.filePath(u"bus.conf"_s));
    if (!config.open(QIODevice::WriteOnly))
        return;
    config.write(
        "<busconfig><type>session</type><listen>unix:dir=" + QFile::encodeName(mDir.path()) +
        "</listen><auth>EXTERNAL</auth>" +
        (services == MachineServices ? "<servicedir>/usr/share/dbus-1/services</servicedir>" : "") +
        "<policy context=\"default\">"
        "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
    config.close();
    // A test that crashes takes its bus with it.
    mDaemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    mDaemon.start(u"dbus-daemon"_s,
                  {u"--config-file="_s + config.fileName(), u"--nofork"_s, u"--print-address"_s});
    if (mDaemon.waitForStarted(5000) && mDaemon.waitForReadyRead(5000))
        mAddress = QString::fromUtf8(mDaemon.readLine().trimmed());
}

PrivateBus::~PrivateBus()
{
    for (const QString &name : mNames)
        QDBusConnection::disconnectFromBus(name);
    mDaemon.terminate();
    mDaemon.waitForFinished(5000);
    endStartedServices(SIGTERM);
}

void PrivateBus::killStartedServices()
{
    endStartedServices(SIGKILL);
}

void PrivateBus::endStartedServices(int signal)
{
    if (mAddress.isEmpty())
        return;
    // Services start helpers of their own (a book's backend process), which
    // inherit the environment: asked again until none is left.
    for (int round = 0; round < 5; ++round) {
        const QList<pid_t> pids = startedBy(mAddress);
        if (pids.isEmpty())
            return;
        for (pid_t pid : pids)
            ::kill(pid, signal);
        if (waitForProcessesToEnd(pids, 3000))
            continue;
        for (pid_t pid : pids) {
            if (!hasEnded(pid))
                ::kill(pid, SIGKILL);
        }
    }
}

QDBusConnection PrivateBus::connect(const QString &name)
{
    mNames.append(name);
    return QDBusConnection::connectToBus(mAddress, name);
}

void PrivateBus::becomeSessionBus() const
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", mAddress.toUtf8());
}

void PrivateBus::settle(const QDBusConnection &connection)
{
    // Messages of one connection are handled in order: once this answer is
    // back, whatever went before it has been handled too.
    connection.call(QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s,
                                                   u"/org/freedesktop/DBus"_s,
                                                   u"org.freedesktop.DBus"_s, u"GetId"_s));
}
