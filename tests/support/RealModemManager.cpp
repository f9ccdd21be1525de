// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealModemManager.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QJsonDocument>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Service = u"org.freedesktop.ModemManager1"_s;
const QString Root = u"/org/freedesktop/ModemManager1"_s;
const QString ModemInterface = u"org.freedesktop.ModemManager1.Modem"_s;

// ModemManager can take several seconds to probe a modem on a busy machine.
constexpr int StartTimeoutMs = 60000;

QString simArgument(RealModemManager::Sim sim)
{
    switch (sim) {
    case RealModemManager::Sim::Locked:
        return u"locked"_s;
    case RealModemManager::Sim::Missing:
        return u"no-sim"_s;
    case RealModemManager::Sim::Ready:
        break;
    }
    return u"ready"_s;
}

} // namespace

RealModemManager::RealModemManager(const QString &busAddress, Sim sim)
    : mBusAddress(busAddress)
{
    static int count = 0;
    mConnectionName = u"modemmanager-%1"_s.arg(++count);
    const QString port = u"abstract:velkari-modem-%1-%2"_s.arg(::getpid()).arg(count);

    // Both die with the test, also when it crashes.
    mVirtualModem.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    mVirtualModem.start(QStringLiteral(VIRTUAL_MODEM), {busAddress, port, simArgument(sim)});
    if (!mVirtualModem.waitForReadyRead(5000) || mVirtualModem.readLine() != "{\"ready\":true}\n")
        return;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DBUS_SYSTEM_BUS_ADDRESS"_s, busAddress);
    mDaemon.setProcessEnvironment(environment);
    mDaemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mDaemon.setStandardOutputFile(QProcess::nullDevice());
    mDaemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    mDaemon.start(u"ModemManager"_s,
                  {u"--debug"_s, u"--log-level=DEBUG"_s, u"--log-file="_s + logFile(),
                   u"--test-enable"_s, u"--test-no-udev"_s, u"--test-no-suspend-resume"_s,
                   u"--test-no-qrtr"_s});
    QDBusConnectionInterface *names = bus().interface();
    if (!mDaemon.waitForStarted(5000) ||
        !QTest::qWaitFor([&] { return names->isServiceRegistered(Service).value(); },
                         StartTimeoutMs))
        return;

    QDBusMessage profile =
        QDBusMessage::createMethodCall(Service, Root, Service + u".Test"_s, u"SetProfile"_s);
    profile << u"velkari"_s << u"generic"_s << QStringList{port};
    if (bus().call(profile).type() != QDBusMessage::ReplyMessage)
        return;

    // The modem is there once the daemon lists it, and ready once it has
    // gone through its start (switched off, locked or failed).
    QString modem;
    const bool listed = QTest::qWaitFor(
        [&] {
            const QDBusMessage reply = bus().call(QDBusMessage::createMethodCall(
                Service, Root, u"org.freedesktop.DBus.ObjectManager"_s, u"GetManagedObjects"_s));
            const auto objects = qdbus_cast<QMap<QDBusObjectPath, QMap<QString, QVariantMap>>>(
                reply.arguments().value(0));
            for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
                if (it->contains(ModemInterface))
                    modem = it.key().path();
            }
            return !modem.isEmpty();
        },
        StartTimeoutMs);
    mModem = modem;
    if (!listed ||
        !waitForState([](int state) { return state != 0 && state != 1; }, StartTimeoutMs))
        mModem.clear();
}

RealModemManager::~RealModemManager()
{
    QDBusConnection::disconnectFromBus(mConnectionName);
    for (QProcess *process : {&mDaemon, &mVirtualModem}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished();
        }
    }
}

QDBusConnection RealModemManager::bus() const
{
    return QDBusConnection::connectToBus(mBusAddress, mConnectionName);
}

int RealModemManager::state() const
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        Service, mModem, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << ModemInterface << u"State"_s;
    const QDBusMessage reply = bus().call(get);
    return reply.type() == QDBusMessage::ReplyMessage
               ? qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant().toInt()
               : 0;
}

bool RealModemManager::waitForState(const std::function<bool(int)> &done, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return done(state()); }, timeoutMs);
}

bool RealModemManager::setEnabled(bool enabled)
{
    QDBusMessage enable =
        QDBusMessage::createMethodCall(Service, mModem, ModemInterface, u"Enable"_s);
    enable << enabled;
    if (bus().call(enable, QDBus::Block, StartTimeoutMs).type() != QDBusMessage::ReplyMessage)
        return false;
    // Switched on, it is of use once on the network (MM_MODEM_STATE_REGISTERED);
    // off, once disabled.
    return waitForState([enabled](int state) { return enabled ? state >= 8 : state == 3; },
                        StartTimeoutMs);
}

QList<QJsonObject> RealModemManager::messages()
{
    while (mVirtualModem.canReadLine()) {
        const QJsonObject line = QJsonDocument::fromJson(mVirtualModem.readLine()).object();
        if (line.value(u"call"_s) == u"sms"_s)
            mMessages.append(line);
    }
    return mMessages;
}
