// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/FileLock.h"
#include "platform/core/Logging.h"
#include "platform/core/StandardPaths.h"
#include "platform/core/Translations.h"
#include "platform/core/UnixSignals.h"
#include "platform/desktop/DesktopNotifications.h"
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

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

constexpr QByteArrayView ActivateMessage = "activate";
// Sent before the message by a second start that was given a token.
constexpr QByteArrayView TokenPrefix = "activation-token=";

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
    // It outlives the app: it must not hold on to the app's output, but its
    // own log is kept beside the app's.
    service.setStandardInputFile(QProcess::nullDevice());
    const QString logFile = documentsDirectory() + u"/velkari-reminders.txt"_s;
    service.setStandardOutputFile(logFile, QIODevice::Append);
    service.setStandardErrorFile(logFile, QIODevice::Append);
    // The app's start token is not the service's to spend.
    service.setProcessEnvironment(startEnvironment());
    if (!service.startDetached())
        qCWarning(lcShell, "Cannot start the reminder service %s",
                  qUtf8Printable(service.program()));
}

// Phosh and Plasma Mobile show every app full-screen under their own top
// bar, with the app's name in their switcher. phoc offers no server-side
// decorations, so Qt would draw a title bar of its own there: the name a
// second time, minimise and maximise that do nothing, 30 of 360 points
// lost. On a desktop the title bar stays: there it moves and closes the
// window.
bool isPhoneShell()
{
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    return desktops.contains(u"Phosh"_s, Qt::CaseInsensitive) ||
           qEnvironmentVariable("PLASMA_PLATFORM").startsWith(u"phone"_s);
}

// Debian 12's GLib starts a program from a launcher with DESKTOP_STARTUP_ID
// only (and phoc takes that id as an xdg-activation token); Qt's Wayland
// plugin reads XDG_ACTIVATION_TOKEN. Before the Qt application exists.
void adoptStartupId()
{
    if (qEnvironmentVariableIsEmpty("XDG_ACTIVATION_TOKEN") &&
        !qEnvironmentVariableIsEmpty("DESKTOP_STARTUP_ID") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("XDG_ACTIVATION_TOKEN", qgetenv("DESKTOP_STARTUP_ID"));
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
    // Qt's messages and the platform's diagnostics join the app's own lines
    // in the log, also once it is a file.
    installLogMessageHandler();
    if (!hasDisplay()) {
        const QString program = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
        qCCritical(lcShell,
                   "%s needs a graphical display and none was found (DISPLAY and "
                   "WAYLAND_DISPLAY are unset); without one, run it as: xvfb-run -a %s",
                   qUtf8Printable(program), qUtf8Printable(program));
        return 1;
    }

    // A save past the file-size limit is a failed save, not the end.
    std::signal(SIGXFSZ, SIG_IGN);
    adoptStartupId();
    if (isPhoneShell())
        qputenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1");
    // X11's window class then names the desktop entry (StartupWMClass) as
    // the app id does on Wayland.
    if (qEnvironmentVariableIsEmpty("RESOURCE_NAME"))
        qputenv("RESOURCE_NAME", VELKARI_APP_ID);
    QApplication qtApp(argc, argv);
    // X11's plugin has read its startup id by now; on Wayland it was taken
    // over above. Either way it is not passed on to what the app starts.
    qunsetenv("DESKTOP_STARTUP_ID");
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
        QByteArray message =
            answered ? reminderLaunchArgument(*answered).toLatin1() : ActivateMessage.toByteArray();
        // The launcher's token goes with it: only with it may the running
        // copy take the focus on Wayland.
        const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
        if (!token.isEmpty() && !token.contains('\n'))
            message.prepend(TokenPrefix.toByteArray() + token + '\n');
        if (instance.sendToPrimary(message))
            return 0;
        qCCritical(lcShell, "Velkari is already running but does not answer.");
        return 1;
    }

    Application app(makeDelegate());
    QObject::connect(&instance, &SingleInstance::messageReceived, &app,
                     [&app](const QByteArray &message) {
                         const QString text = QString::fromLatin1(message);
                         if (message.startsWith(TokenPrefix)) {
                             Application::setActivationToken(text.mid(TokenPrefix.size()));
                             return;
                         }
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
