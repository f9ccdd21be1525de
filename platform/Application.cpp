#include "Application.h"

#include "AlertView.h"
#include "ApplicationDelegate.h"
#include "DesktopNotifications.h"
#include "FileLock.h"
#include "LauncherEntry.h"
#include "Log.h"
#include "ReminderCenter.h"
#include "ReminderService.h"
#include "SingleInstance.h"
#include "StandardPaths.h"
#include "Translations.h"
#include "Window.h"

#include <QApplication>
#include <QDBusConnection>
#include <QEvent>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QSocketNotifier>
#include <QSystemTrayIcon>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

Application *sharedApplication = nullptr;

constexpr QByteArrayView ActivateMessage = "activate";

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// SIGTERM and SIGINT end the app like Quit does. The handler only writes a
// byte; the event loop does the rest.
int signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

void routeTerminationSignals(Application &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[1], &byte, 1);
        app.terminate();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

} // namespace

Application::Application(std::unique_ptr<ApplicationDelegate> delegate, QObject *parent)
    : QObject(parent)
    , mDelegate(std::move(delegate))
{
    Q_ASSERT(!sharedApplication);
    sharedApplication = this;
    mPresence = std::make_unique<FileLock>(applicationLockPath());
    if (mPresence->lock(false))
        mPresence->recordHolder();
    mReminders = new ReminderCenter(ReminderCenter::defaultRegistryPath(), this);
    connect(mReminders, &ReminderCenter::reminderFired, this, &Application::reminderFired);
    mNotifications = new DesktopNotifications(QDBusConnection::sessionBus(), this);
    connect(mNotifications, &DesktopNotifications::answered, this, [this](const QString &key) {
        if (mNotifiedReminders.contains(key))
            answerReminder(mNotifiedReminders.take(key));
    });
    connect(mNotifications, &DesktopNotifications::closed, this,
            [this](const QString &key) { mNotifiedReminders.remove(key); });
    connect(mNotifications, &DesktopNotifications::failed, this, &Application::notificationFailed);
    // Focus moving between our own windows (an alert, the main window) or
    // away from them all reaches the main window's events only in part.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &Application::scheduleStateUpdate);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        // Logging out or the session ending quits without our Quit action.
        if (!mTerminated)
            terminate();
    });
}

Application::~Application()
{
    if (mKeyWindow)
        mKeyWindow->removeEventFilter(this);
    // The delegate goes first: its window and screens may still reach the
    // shared application while they are torn down.
    mDelegate.reset();
    sharedApplication = nullptr;
}

Application *Application::shared()
{
    return sharedApplication;
}

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
    routeTerminationSignals(app);
    // The service that fires reminders once the app is closed; normally
    // started at login.
    if (!ReminderService::isRunning()) {
        QProcess service;
        service.setProgram(QCoreApplication::applicationDirPath() + u"/velkari-reminders"_s);
        // It outlives the app: it must not hold on to the app's output.
        service.setStandardInputFile(QProcess::nullDevice());
        service.setStandardOutputFile(QProcess::nullDevice());
        service.setStandardErrorFile(QProcess::nullDevice());
        if (!service.startDetached())
            log("Cannot start the reminder service %@", service.program());
    }
    LaunchOptions options;
    if (answered)
        options.insert(LaunchOptions::LocalNotificationKey, QVariant::fromValue(*answered));
    if (!app.launch(options))
        return 1;
    return QApplication::exec();
}

bool Application::launch(const LaunchOptions &options)
{
    const bool launched = mDelegate->didFinishLaunchingWithOptions(*this, options);
    if (!mKeyWindow && mDelegate->window())
        setKeyWindow(mDelegate->window());
    setUpTray();
    if (!mReminders->keptAsidePath().isEmpty()) {
        AlertView::show(u"Velkari"_s,
                        tr("The registered reminders could not be read. The file was kept as "
                           "%1; reminders registered before are not in effect.")
                            .arg(mReminders->keptAsidePath()),
                        nullptr, u"OK"_s);
    }
    if (mReminders->damagedEntries() > 0) {
        AlertView::show(u"Velkari"_s,
                        tr("%n registered reminder(s) could not be read and are not in effect. "
                           "They were kept as %1.", nullptr, mReminders->damagedEntries())
                            .arg(mReminders->damagedEntriesPath()),
                        nullptr, u"OK"_s);
    }
    if (!mReminders->unusableReason().isEmpty()) {
        AlertView::show(u"Velkari"_s,
                        tr("Reminders cannot be registered: %1. The file is left as it is.")
                            .arg(mReminders->unusableReason()),
                        nullptr, u"OK"_s);
    }
    mReminders->start();
    return launched;
}

void Application::setKeyWindow(Window *window)
{
    if (mKeyWindow == window)
        return;
    if (mKeyWindow)
        mKeyWindow->removeEventFilter(this);
    mKeyWindow = window;
    if (window) {
        window->installEventFilter(this);
        window->setBadgeNumber(mBadgeNumber);
    }
}

void Application::setApplicationIconBadgeNumber(int number)
{
    mBadgeNumber = number;
    updateBadgeViews();
    LauncherEntry::publish(QDBusConnection::sessionBus(), number);
    Q_EMIT badgeNumberChanged(number);
}

void Application::updateBadgeViews()
{
    if (mKeyWindow)
        mKeyWindow->setBadgeNumber(mBadgeNumber);
    if (mTray) {
        mTray->setToolTip(mBadgeNumber > 0 ? tr("Velkari: %n upcoming", nullptr, mBadgeNumber)
                                           : u"Velkari"_s);
    }
}

void Application::scheduleLocalNotification(const Reminder &reminder)
{
    mReminders->scheduleLocalNotification(reminder);
}

QList<Reminder> Application::scheduledLocalNotifications() const
{
    return mReminders->scheduledLocalNotifications();
}

void Application::cancelLocalNotification(const Reminder &reminder)
{
    mReminders->cancelLocalNotification(reminder);
}

void Application::reminderFired(const Reminder &reminder)
{
    if (mState == ApplicationState::Background) {
        notify(reminder);
        return;
    }
    if (!mHasBeenInFront) {
        // Starting up: the window is not in front yet.
        mHeldReminders.append(reminder);
        return;
    }
    deliver(reminder);
}

void Application::deliver(const Reminder &reminder, std::optional<ApplicationState> heardAs)
{
    if (mTerminated)
        return;
    // A reminder that fired by itself was not answered yet, so it is never
    // heard as inactive, even while the window is shown without the focus.
    if (!heardAs && mState == ApplicationState::Inactive)
        heardAs = ApplicationState::Active;
    const std::optional<ApplicationState> outer = std::exchange(mHeardAs, heardAs);
    mDelegate->didReceiveLocalNotification(*this, reminder);
    mHeardAs = outer;
}

void Application::notify(const Reminder &reminder)
{
    setApplicationIconBadgeNumber(reminder.applicationIconBadgeNumber);
    mNotifiedReminders.insert(mNotifications->showReminder(reminder), reminder);
}

void Application::notificationFailed(const QString &key)
{
    if (!mNotifiedReminders.contains(key))
        return;
    const Reminder reminder = mNotifiedReminders.take(key);
    if (mTray && QSystemTrayIcon::supportsMessages()) {
        mTrayReminder = reminder;
        mTray->showMessage(u"Velkari"_s, reminder.alertBody);
        return;
    }
    // No way to show a notification: the window itself comes up, and the
    // reminder is heard once it is in front.
    log("No notification service; raising the window for a reminder");
    mHeldReminders.append(reminder);
    bringToFront();
}

void Application::answerReminder(const Reminder &reminder)
{
    enterForeground();
    // Heard as inactive whatever has the focus: the user has already said
    // yes to it outside the app.
    deliver(reminder, ApplicationState::Inactive);
    bringToFront();
}

void Application::deliverHeldReminders()
{
    while (!mHeldReminders.isEmpty() && mState != ApplicationState::Background)
        deliver(mHeldReminders.takeFirst());
}

void Application::setUpTray()
{
    if (mTray || !mKeyWindow || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    mTray = new QSystemTrayIcon(mKeyWindow->windowIcon(), this);
    auto *menu = new QMenu(mKeyWindow);
    menu->addAction(tr("Show Velkari"), this, &Application::bringToFront);
    menu->addSeparator();
    menu->addAction(tr("Quit"), QKeySequence::Quit, this, &Application::terminate);
    mTray->setContextMenu(menu);
    connect(mTray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
            bringToFront();
    });
    connect(mTray, &QSystemTrayIcon::messageClicked, this, [this] {
        if (mTrayReminder)
            answerReminder(*std::exchange(mTrayReminder, std::nullopt));
    });
    updateBadgeViews();
    mTray->show();
}

void Application::bringToFront()
{
    if (!mKeyWindow)
        return;
    if (mKeyWindow->isMinimized())
        mKeyWindow->showNormal();
    else
        mKeyWindow->show();
    mKeyWindow->raise();
    mKeyWindow->activateWindow();
}

void Application::terminate()
{
    if (mTerminated)
        return;
    enterBackground();
    mTerminated = true;
    mDelegate->applicationWillTerminate(*this);
    QCoreApplication::quit();
}

bool Application::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != mKeyWindow || mTerminated)
        return false;
    switch (event->type()) {
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
    case QEvent::Show:
    case QEvent::WindowStateChange:
        scheduleStateUpdate();
        break;
    case QEvent::Close:
        if (mTray) {
            // Reminders must still reach the user, so the app stays behind
            // its tray icon.
            event->ignore();
            mKeyWindow->hide();
            return true;
        }
        terminate();
        break;
    default:
        break;
    }
    return false;
}

void Application::scheduleStateUpdate()
{
    // Window systems report a change in several events (a state change, a
    // hide, a show, sometimes an echo of an earlier request); the state is
    // read once they have all arrived.
    if (mStateUpdatePending)
        return;
    mStateUpdatePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            mStateUpdatePending = false;
            if (mTerminated || !mKeyWindow)
                return;
            if (!mKeyWindow->isVisible() || mKeyWindow->isMinimized()) {
                enterBackground();
            } else {
                enterForeground();
                // In front while any window of ours has the focus: the main
                // window, or an alert over it.
                if (QApplication::activeWindow())
                    becomeActive();
                else
                    resignActive();
            }
        },
        Qt::QueuedConnection);
}

void Application::becomeActive()
{
    if (mState == ApplicationState::Active)
        return;
    setState(ApplicationState::Active);
    mDelegate->applicationDidBecomeActive(*this);
    mHasBeenInFront = true;
    deliverHeldReminders();
}

void Application::resignActive()
{
    if (mState != ApplicationState::Active)
        return;
    mDelegate->applicationWillResignActive(*this);
    setState(ApplicationState::Inactive);
}

void Application::enterBackground()
{
    if (mState == ApplicationState::Background)
        return;
    resignActive();
    setState(ApplicationState::Background);
    mDelegate->applicationDidEnterBackground(*this);
    mHasBeenInFront = true;
    // Whatever waited for the window now waits for the user.
    for (const Reminder &reminder : std::exchange(mHeldReminders, {}))
        notify(reminder);
}

void Application::enterForeground()
{
    if (mState != ApplicationState::Background)
        return;
    setState(ApplicationState::Inactive);
    mDelegate->applicationWillEnterForeground(*this);
}

void Application::setState(ApplicationState state)
{
    if (mState == state)
        return;
    mState = state;
    Q_EMIT applicationStateChanged(state);
}

} // namespace platform
