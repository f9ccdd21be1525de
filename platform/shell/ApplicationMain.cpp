// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/FileLock.h"
#include "platform/core/Log.h"
#include "platform/core/StandardPaths.h"
#include "platform/core/Translations.h"
#include "platform/core/UnixSignals.h"
#include "platform/shell/Application.h"
#include "platform/shell/ApplicationDelegate.h"
#include "platform/shell/SingleInstance.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

constexpr QByteArrayView ActivateMessage = "activate";

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void spawnReminderService()
{
    QProcess service;
    service.setProgram(QCoreApplication::applicationDirPath() + u"/velkari-reminders"_s);
    // It outlives the app: it must not hold on to the app's output.
    service.setStandardInputFile(QProcess::nullDevice());
    service.setStandardOutputFile(QProcess::nullDevice());
    service.setStandardErrorFile(QProcess::nullDevice());
    if (!service.startDetached())
        log("Cannot start the reminder service %@", service.program());
}

// The service that fires reminders once the app is closed; normally the
// session has started it already. Else the bus is asked to start it (its
// systemd unit or D-Bus service file), without waiting for the answer; only
// where the bus cannot, the app starts it itself.
void startReminderService(QObject *context)
{
    if (FileLock::isHeld(reminderServiceLockPath()))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        spawnReminderService();
        return;
    }
    QDBusMessage ask =
        QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                       u"org.freedesktop.DBus"_s, u"StartServiceByName"_s);
    ask << QStringLiteral(VELKARI_REMINDERS_BUS_NAME) << 0u;
    auto *answer = new QDBusPendingCallWatcher(bus.asyncCall(ask), context);
    QObject::connect(answer, &QDBusPendingCallWatcher::finished, context,
                     [](QDBusPendingCallWatcher *call) {
                         call->deleteLater();
                         if (call->isError())
                             spawnReminderService();
                     });
}

} // namespace

int Application::main(int argc, char **argv, const DelegateFactory &makeDelegate)
{
    if (!hasDisplay()) {
        const QString program = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
        std::fprintf(stderr,
                     "%s needs a graphical display and none was found (DISPLAY and "
                     "WAYLAND_DISPLAY are unset); without one, run it as: xvfb-run -a %s\n",
                     qPrintable(program), qPrintable(program));
        return 1;
    }

    // A save past the file-size limit is a failed save, not the end.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(u"Velkari"_s);
    QApplication::setApplicationVersion(QStringLiteral(VELKARI_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(VELKARI_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);
    installTranslations();

    // The platform starts the app with the reminder the user answered.
    const std::optional<Reminder> answered = reminderFromLaunchArguments(qtApp.arguments());

    SingleInstance instance(applicationInstanceKey());
    if (!instance.becomePrimary()) {
        // The running copy hears the answer instead, or comes to the front.
        const QByteArray message =
            answered ? reminderLaunchArgument(*answered).toLatin1() : ActivateMessage.toByteArray();
        if (instance.sendToPrimary(message))
            return 0;
        std::fprintf(stderr, "Velkari is already running but does not answer.\n");
        return 1;
    }

    Application app(makeDelegate());
    QObject::connect(&instance, &SingleInstance::messageReceived, &app,
                     [&app](const QByteArray &message) {
                         const QString text = QString::fromLatin1(message);
                         if (const auto reminder = reminderFromLaunchArguments({text}))
                             app.answerReminder(*reminder);
                         else
                             app.bringToFront();
                     });
    // SIGTERM and SIGINT end the app like Quit does.
    UnixSignals::routeTermination(&app, [&app] { app.terminate(); });
    startReminderService(&app);
    LaunchOptions options;
    if (answered)
        options.insert(LaunchOptions::LocalNotificationKey, QVariant::fromValue(*answered));
    if (!app.launch(options))
        return 1;
    return QApplication::exec();
}

} // namespace platform
