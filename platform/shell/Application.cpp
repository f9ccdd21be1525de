// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/Application.h"

#include "platform/core/FileLock.h"
#include "platform/core/StandardPaths.h"
#include "platform/desktop/DesktopNotifications.h"
#include "platform/desktop/LauncherEntry.h"
#include "platform/reminders/ReminderCenter.h"
#include "platform/shell/ApplicationDelegate.h"
#include "platform/shell/Tray.h"
#include "platform/ui/OnScreenKeyboard.h"
#include "platform/ui/PlainAlert.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QDBusConnection>
#include <QEvent>
#include <QLocale>
#include <QTimer>
#include <QWindow>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

// The application object's life events, key window and badge. Its entry
// point lies in ApplicationMain.cpp, the way reminders reach the delegate in
// ReminderRouting.cpp.

namespace platform {

namespace {

Application *sharedApplication = nullptr;

} // namespace

Application::Application(std::unique_ptr<ApplicationDelegate> delegate, QObject *parent)
    : QObject(parent)
    , mDelegate(std::move(delegate))
{
    Q_ASSERT(!sharedApplication);
    sharedApplication = this;
    Window::setKeyWindowObserver([this](Window *window) { followKeyWindow(window); });
    mPresence = std::make_unique<FileLock>(applicationLockPath());
    if (mPresence->lock(false))
        mPresence->recordHolder();
    mNotifications = new DesktopNotifications(QDBusConnection::sessionBus(), this);
    connect(mNotifications, &DesktopNotifications::answered, this,
            [this](const QString &key, const QString &token) {
                if (!mNotifiedReminders.contains(key))
                    return;
                setActivationToken(token);
                answerReminder(mNotifiedReminders.take(key));
            });
    connect(mNotifications, &DesktopNotifications::closed, this,
            [this](const QString &key) { mNotifiedReminders.remove(key); });
    // Nobody can answer it there: heard once the user brings the app up.
    connect(mNotifications, &DesktopNotifications::shownWithoutAnswer, this,
            [this](const QString &key) {
                if (mNotifiedReminders.contains(key))
                    mUnanswerable.append(mNotifiedReminders.take(key));
            });
    connect(mNotifications, &DesktopNotifications::failed, this, &Application::notificationFailed);
    OnScreenKeyboard::install(QDBusConnection::sessionBus(), this);
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
    Window::setKeyWindowObserver({});
    sharedApplication = nullptr;
}

Application *Application::shared()
{
    return sharedApplication;
}

bool Application::launch(const LaunchOptions &options)
{
    const bool launched = mDelegate->didFinishLaunchingWithOptions(*this, options);
    if (!mKeyWindow && mDelegate->window())
        setKeyWindow(mDelegate->window());
    // A launcher's token lets the first window take the focus, and tells the
    // shell that the start is over (Phosh's spinner waits for it).
    activateWithToken();
    setUpTray();
    // The registry is read once the first rows are on the screen: parsing it,
    // or waiting while the reminder service holds it, must not delay them.
    QWindow *shown = mKeyWindow && mKeyWindow->isVisible() ? mKeyWindow->windowHandle() : nullptr;
    if (shown && !shown->isExposed()) {
        mFirstExpose = shown;
        shown->installEventFilter(this);
        // A window the desktop never draws (minimised at start) waits no longer.
        QTimer::singleShot(FirstPaintWaitMs, this, &Application::openReminders);
    } else {
        QMetaObject::invokeMethod(this, &Application::openReminders, Qt::QueuedConnection);
    }
    return launched;
}

void Application::setKeyWindow(Window *window)
{
    // The window keeps the notion; followKeyWindow hears of it from there.
    Window::setKeyWindow(window);
}

void Application::followKeyWindow(Window *window)
{
    if (mKeyWindow == window)
        return;
    if (mKeyWindow) {
        mKeyWindow->removeEventFilter(this);
        disconnect(mKeyWindow, &Window::quitRequested, this, &Application::terminate);
    }
    mKeyWindow = window;
    mFollowedWindow = window;
    if (window) {
        window->installEventFilter(this);
        connect(window, &Window::quitRequested, this, &Application::terminate);
        window->setBadgeNumber(mBadgeNumber);
    }
}

void Application::setApplicationIconBadgeNumber(int number)
{
    mBadgeNumber = number;
    updateBadgeViews();
    LauncherEntry::publish(QDBusConnection::sessionBus(), number);
}

void Application::updateBadgeViews()
{
    if (mKeyWindow)
        mKeyWindow->setBadgeNumber(mBadgeNumber);
    if (mTray)
        mTray->setBadgeNumber(mBadgeNumber);
}

void Application::setUpTray()
{
    if (mTray)
        return;
    mTray = Tray::create(mKeyWindow, this);
    if (!mTray)
        return;
    connect(mTray, &Tray::showRequested, this, &Application::bringToFront);
    connect(mTray, &Tray::quitRequested, this, &Application::terminate);
    connect(mTray, &Tray::reminderAnswered, this, &Application::answerReminder);
    updateBadgeViews();
}

void Application::bringToFront()
{
    if (!mKeyWindow)
        return;
    const bool hasToken = !qEnvironmentVariableIsEmpty("XDG_ACTIVATION_TOKEN");
    const bool behind =
        QGuiApplication::platformName() == u"wayland"_s && mKeyWindow->isVisible() && !hasFocus();
    if (behind && !hasToken) {
        // A Wayland client raises itself only with a token, and Phosh sends
        // none with a notification's answer (shell.c only folds its panel).
        // A window mapped anew takes the focus on phoc (view_initial_focus)
        // and most compositors; elsewhere the shell marks it as wanting it.
        mKeyWindow->hide();
    }
    if (mKeyWindow->isMinimized())
        mKeyWindow->showNormal();
    else
        mKeyWindow->show();
    mKeyWindow->raise();
    mKeyWindow->activateWindow();
    // Spent by Qt's Wayland plugin; of no use on X11, and not for the
    // programs we start.
    qunsetenv("XDG_ACTIVATION_TOKEN");
    if (behind && hasToken) {
        // Debian 12's phoc (0.24) takes the token but only tells Phosh the
        // start is over: its xdg-activation handler moves no focus. Then the
        // window is shown anew, once.
        QTimer::singleShot(ActivationWaitMs, this, [this] {
            if (mKeyWindow && mKeyWindow->isVisible() && !hasFocus()) {
                mKeyWindow->hide();
                mKeyWindow->show();
                mKeyWindow->activateWindow();
            }
        });
    }
}

void Application::activateWithToken()
{
    if (qEnvironmentVariableIsEmpty("XDG_ACTIVATION_TOKEN"))
        return;
    // Qt 6.4 reads the token only when asked to activate, not when the
    // window first appears.
    if (mKeyWindow && mKeyWindow->isVisible())
        mKeyWindow->activateWindow();
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

void Application::setActivationToken(const QString &token)
{
    // Tokens are short printable words (xdg-activation, startup ids).
    const bool wellFormed = !token.isEmpty() && token.size() <= 512 &&
                            std::all_of(token.cbegin(), token.cend(), [](QChar c) {
                                return c.unicode() > 0x20 && c.unicode() < 0x7f;
                            });
    if (wellFormed)
        qputenv("XDG_ACTIVATION_TOKEN", token.toLatin1());
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

ReminderCenter *Application::reminderCenter() const
{
    if (!mReminders) {
        // Made on first use: at the latest once the first rows are drawn.
        auto *self = const_cast<Application *>(this);
        self->mReminders = new ReminderCenter(ReminderCenter::defaultRegistryPath(), self);
        connect(mReminders, &ReminderCenter::reminderFired, self, &Application::reminderFired);
    }
    return mReminders;
}

void Application::openReminders()
{
    if (mRemindersOpen || mTerminated)
        return;
    mRemindersOpen = true;
    if (mFirstExpose)
        mFirstExpose->removeEventFilter(this);
    ReminderCenter *center = reminderCenter();
    // Found now, or once the reminder service lets go of the registry.
    connect(center, &ReminderCenter::problemsFound, this, &Application::reportRegistryProblems);
    reportRegistryProblems();
    center->start();
}

void Application::reportRegistryProblems()
{
    const ReminderCenter *center = mReminders;
    if (center->keptAsidePath() != mReported.keptAside && !center->keptAsidePath().isEmpty()) {
        showPlainAlert(tr("The registered reminders could not be read. The file was kept as "
                          "%1; reminders registered before are not in effect.")
                           .arg(center->keptAsidePath()));
    }
    if (center->damagedEntriesPath() != mReported.damaged && center->damagedEntries() > 0) {
        showPlainAlert(
            tr("Registered reminders that could not be read: %1. They are not in "
               "effect and were kept as %2.")
                .arg(QLocale().toString(center->damagedEntries()), center->damagedEntriesPath()));
    }
    if (center->unusableReason() != mReported.unusable && !center->unusableReason().isEmpty()) {
        showPlainAlert(tr("Reminders cannot be registered: %1. The file is left as it is.")
                           .arg(center->unusableReason()));
    }
    mReported = {center->keptAsidePath(), center->damagedEntriesPath(), center->unusableReason()};
}

bool Application::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mFirstExpose && event->type() == QEvent::Expose) {
        // Drawn while this event is handled; the registry comes after.
        QMetaObject::invokeMethod(this, &Application::openReminders, Qt::QueuedConnection);
        return false;
    }
    // Compared as objects: while the window is torn down it is no longer one.
    if (watched != mFollowedWindow || mTerminated)
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
}

} // namespace platform
