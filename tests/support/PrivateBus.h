#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A message bus of the test's own (dbus-daemon), so that nothing reaches the
// desktop's bus and services can be stood in for.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();

    bool isRunning() const { return !mAddress.isEmpty(); }
    QString address() const { return mAddress; }

    // A new named connection to the bus, closed with the bus.
    QDBusConnection connect(const QString &name);

    // Waits until the bus has handled everything sent on the connection so
    // far (a match rule just added, a service just registered).
    static void settle(const QDBusConnection &connection);

    // Makes this bus the process's session bus. Call before anything in the
    // process first asks for the session bus.
    void becomeSessionBus() const;

private:
    QTemporaryDir mDir;
    QProcess mDaemon;
    QString mAddress;
    QStringList mNames;
};
