// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A message bus of the test's own (dbus-daemon), so that nothing reaches the
// desktop's bus and services can be stood in for.
//
// With MachineServices it starts the machine's services on demand (D-Bus
// activation), in the environment of the process at construction: point
// HOME and the XDG folders elsewhere first (TestEnvironment). Whatever it
// started is ended with the bus; those services leave their parent, so
// they are found by the bus address in their environment.
class PrivateBus {
public:
    enum Services { OnlyTheTests, MachineServices };

    explicit PrivateBus(Services services = OnlyTheTests);
    ~PrivateBus();

    // Ends the services the bus started, at once (SIGKILL), as a crash
    // would; the bus stays and starts them again when next asked.
    void killStartedServices();

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
    void endStartedServices(int signal);

    QTemporaryDir mDir;
    QProcess mDaemon;
    QString mAddress;
    QStringList mNames;
};
