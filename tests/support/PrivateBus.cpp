#include "PrivateBus.h"

#include <QDBusMessage>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

PrivateBus::PrivateBus()
{
    // A bus of its own, that starts no services of the machine's: only what
    // the test puts on it is there.
    QFile config(mDir.filePath(u"bus.conf"_s));
    if (!config.open(QIODevice::WriteOnly))
        return;
    config.write("<busconfig><type>session</type><listen>unix:dir=" + QFile::encodeName(mDir.path())
                 + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                   "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                   "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
    config.close();
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
