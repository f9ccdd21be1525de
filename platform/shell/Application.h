// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/reminders/Reminder.h"
#include "platform/shell/ApplicationState.h"
#include "platform/shell/IconBadge.h"
#include "platform/shell/LaunchOptions.h"
#include "platform/ui/Window.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace platform {

class ApplicationDelegate;
class FileLock;
class LifeEvents;
class LocalNotifications;
class ReminderCenter;
class ReminderRouting;
class Tray;
class WindowActivation;

// The application object: owns the delegate and follows the key window, and
// puts together the parts that do the work: the life events (LifeEvents),
// the icon badge (IconBadge), bringing the window to the front
// (WindowActivation), the reminder centre (LocalNotifications) and how its
// reminders reach the delegate (ReminderRouting). Its entry point is in
// ApplicationMain.cpp.
//
// Closing the window hides it when a system tray can bring it back, and
// quits otherwise.
class Application : public QObject {
    Q_OBJECT

public:
    using DelegateFactory = std::function<std::unique_ptr<ApplicationDelegate>()>;

    explicit Application(std::unique_ptr<ApplicationDelegate> delegate, QObject *parent = nullptr);
    ~Application() override;

    // The one application object of the process, or nullptr. The way to
    // the app's reminder centre too (reminderCenter()).
    static Application *shared();

    // The platform's entry: makes the Qt application, hands over to an already
    // running copy if there is one, creates the delegate, launches and runs the
    // event loop. Returns the process exit code.
    static int main(int argc, char **argv, const DelegateFactory &makeDelegate);

    ApplicationDelegate *delegate() const { return mDelegate.get(); }
    ApplicationState applicationState() const;

    // Calls didFinishLaunchingWithOptions and starts following the window.
    bool launch(const LaunchOptions &options = {});

    int applicationIconBadgeNumber() const { return mBadge.number(); }
    // Shows the number in the window title and the tray, and publishes it as
    // the launcher entry's count. Zero or less shows no badge.
    void setApplicationIconBadgeNumber(int number);

    // The platform's reminders (local notifications).
    ReminderCenter *reminderCenter() const;
    void scheduleLocalNotification(const Reminder &reminder);
    QList<Reminder> scheduledLocalNotifications() const;
    void cancelLocalNotification(const Reminder &reminder);

    // The user answered a reminder from outside (its notification, the
    // tray, a second start): the app comes to the front and hears of the
    // reminder as inactive, also when it was in front already.
    void answerReminder(const Reminder &reminder);

    // The window the app follows: Window::keyWindow().
    Window *keyWindow() const { return mKeyWindow; }
    void setKeyWindow(Window *window);

    // Shows the window again and gives it the focus.
    void bringToFront();

    // The token with which the next window raised may take the focus on
    // Wayland (xdg-activation): from a launcher, a second start or the
    // notification the user answered. Empty or malformed: ignored.
    static void setActivationToken(const QString &token);
    // Quit: the life events up to will terminate, then the event loop ends.
    void terminate();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpTray();
    void followKeyWindow(Window *window);

    // The parts, each with one job; the tray and the key window are shared.
    std::unique_ptr<ApplicationDelegate> mDelegate;
    LifeEvents *mLife;
    IconBadge mBadge;
    WindowActivation *mActivation;
    ReminderRouting *mRouting;
    LocalNotifications *mLocalNotifications;
    QPointer<Window> mKeyWindow;
    QPointer<QObject> mFollowedWindow;
    Tray *mTray = nullptr;
    // Held while the app runs: the reminder service stands aside meanwhile.
    std::unique_ptr<FileLock> mPresence;
};

} // namespace platform
