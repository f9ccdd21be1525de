// SPDX-License-Identifier: GPL-3.0-or-later
// velkari-reminders: fires Velkari's reminders while the app is closed.

#include "platform/core/Logging.h"
#include "platform/core/UnixSignals.h"
#include "platform/core/WallClockTimer.h"
#include "service/ReminderService.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    // Qt's own warnings as stamped lines of the service's log, like the app's.
    platform::installLogMessageHandler();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"velkari-reminders"_s);

    // Whoever read our output may be gone; that is no reason to end.
    std::signal(SIGPIPE, SIG_IGN);
    // A save past the file-size limit is a failed save, not the end.
    std::signal(SIGXFSZ, SIG_IGN);
    // SIGTERM (logout, systemctl stop) ends the service cleanly.
    platform::UnixSignals::routeTermination(&app, &QCoreApplication::quit);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        qCWarning(platform::lcReminders,
                  "No session bus: reminders cannot be shown while Velkari is closed.");
    platform::WallClockTimer::setLogsClockChoice(true);
    platform::ReminderService service(bus);
    service.setSystemBus(QDBusConnection::systemBus());
    // Heard from the event loop, also when the folder went during start().
    QObject::connect(&service, &platform::ReminderService::dataFolderGone, &app,
                     &QCoreApplication::quit, Qt::QueuedConnection);
    if (!service.start())
        return 0; // said why
    // The session's one copy: the unit, the D-Bus activation and the autostart
    // entry may each start one; the later ones find the name taken.
    if (bus.isConnected() && !bus.registerService(QStringLiteral(VELKARI_REMINDERS_BUS_NAME))) {
        qCInfo(platform::lcReminders, "velkari-reminders already runs in this session.");
        return 0;
    }
    return QCoreApplication::exec();
}
