// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/Application.h"

#include "platform/core/FileLock.h"
#include "platform/core/StandardPaths.h"
#include "platform/reminders/ReminderCenter.h"
#include "platform/shell/ApplicationDelegate.h"
#include "platform/shell/LifeEvents.h"
#include "platform/shell/LocalNotifications.h"
#include "platform/shell/ReminderRouting.h"
#include "platform/shell/Tray.h"
#include "platform/shell/WindowActivation.h"
#include "platform/ui/OnScreenKeyboard.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QDBusConnection>
#include <QEvent>

namespace platform {

namespace {

Application *sharedApplication = nullptr;

} // namespace

Application::Application(std::unique_ptr<ApplicationDelegate> delegate, QObject *parent)
    : QObject(parent)
    , mDelegate(std::move(delegate))
    , mLife(new LifeEvents(
          *this, *mDelegate, [this] { return keyWindow(); }, this))
    , mActivation(new WindowActivation([this] { return keyWindow(); }, this))
{
    Q_ASSERT(!sharedApplication);
    sharedApplication = this;
    Window::setKeyWindowObserver([this](Window *window) { followKeyWindow(window); });
    mPresence = std::make_unique<FileLock>(applicationLockPath());
    if (mPresence->lock(false))
        mPresence->recordHolder();
    mRouting = new ReminderRouting(*this, *mDelegate, *mLife, mBadge, *mActivation, this);
    connect(mLife, &LifeEvents::becameActive, mRouting, &ReminderRouting::deliverHeld);
    connect(mLife, &LifeEvents::enteredBackground, mRouting, &ReminderRouting::notifyHeld);
    mLocalNotifications = new LocalNotifications(*mLife, this);
    connect(mLocalNotifications, &LocalNotifications::reminderFired, mRouting,
            &ReminderRouting::reminderFired);
    OnScreenKeyboard::install(QDBusConnection::sessionBus(), this);
    // Focus moving between our own windows (an alert, the main window) or
    // away from them all reaches the main window's events only in part.
    connect(qApp, &QGuiApplication::applicationStateChanged, mLife, &LifeEvents::scheduleUpdate);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        // Logging out or the session ending quits without our Quit action.
        if (!mLife->isTerminated())
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

ApplicationState Application::applicationState() const
{
    return mRouting->heardAs().value_or(mLife->state());
}

bool Application::launch(const LaunchOptions &options)
{
    const bool launched = mDelegate->didFinishLaunchingWithOptions(*this, options);
    if (!mKeyWindow && mDelegate->window())
        setKeyWindow(mDelegate->window());
    // A launcher's token lets the first window take the focus, and tells the
    // shell that the start is over (Phosh's spinner waits for it).
    mActivation->activateWithToken();
    setUpTray();
    mLocalNotifications->openAfterFirstPaint(mKeyWindow);
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
    }
    mBadge.setWindow(window);
}

void Application::setApplicationIconBadgeNumber(int number)
{
    mBadge.setNumber(number);
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
    mRouting->setTray(mTray);
    mBadge.setTray(mTray);
}

ReminderCenter *Application::reminderCenter() const
{
    return mLocalNotifications->center();
}

void Application::scheduleLocalNotification(const Reminder &reminder)
{
    reminderCenter()->scheduleLocalNotification(reminder);
}

QList<Reminder> Application::scheduledLocalNotifications() const
{
    return reminderCenter()->scheduledLocalNotifications();
}

void Application::cancelLocalNotification(const Reminder &reminder)
{
    reminderCenter()->cancelLocalNotification(reminder);
}

void Application::answerReminder(const Reminder &reminder)
{
    mRouting->answer(reminder);
}

void Application::bringToFront()
{
    mActivation->bringToFront();
}

void Application::setActivationToken(const QString &token)
{
    WindowActivation::setToken(token);
}

void Application::terminate()
{
    mLife->terminate();
}

bool Application::eventFilter(QObject *watched, QEvent *event)
{
    // Compared as objects: while the window is torn down it is no longer one.
    if (watched != mFollowedWindow || mLife->isTerminated())
        return false;
    switch (event->type()) {
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
    case QEvent::Show:
    case QEvent::WindowStateChange:
        mLife->scheduleUpdate();
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

} // namespace platform
