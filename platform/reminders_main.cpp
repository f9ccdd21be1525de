// velkari-reminders: fires Velkari's reminders while the app is closed.

#include "Log.h"
#include "ReminderService.h"
#include "WallClockTimer.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"velkari-reminders"_s);

    // Whoever read our output may be gone; that is no reason to end.
    std::signal(SIGPIPE, SIG_IGN);
    // A save past the file-size limit is a failed save, not the end.
    std::signal(SIGXFSZ, SIG_IGN);
    // SIGTERM (logout, systemctl stop) ends the service cleanly.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGTERM, &action, nullptr);
        ::sigaction(SIGINT, &action, nullptr);
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        platform::log("No session bus: reminders cannot be shown while Velkari is closed.");
    platform::WallClockTimer::setLogsClockChoice(true);
    platform::ReminderService service(bus);
    service.setSystemBus(QDBusConnection::systemBus());
    if (!service.start()) {
        platform::log("Another velkari-reminders already runs for this data folder.");
        return 0;
    }
    // The session's one copy: the unit, the D-Bus activation and the autostart
    // entry may each start one; the later ones find the name taken.
    if (bus.isConnected() && !bus.registerService(QStringLiteral(VELKARI_REMINDERS_BUS_NAME))) {
        platform::log("velkari-reminders already runs in this session.");
        return 0;
    }
    QObject::connect(&service, &platform::ReminderService::dataFolderGone, &app,
                     &QCoreApplication::quit);
    return QCoreApplication::exec();
}
