// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/reminders/Reminder.h"
#include "platform/shell/LaunchOptions.h"
#include "platform/ui/Window.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QWindow;

namespace platform {

class ApplicationDelegate;
class DesktopNotifications;
class FileLock;
class ReminderCenter;
class Tray;

// Values as the platform numbers them.
enum class ApplicationState : int {
    Active = 0,     // in front and receiving input
    Inactive = 1,   // shown but not receiving input, or coming to the front
    Background = 2, // window hidden or minimised; the process keeps running
};

// The application object: owns the delegate, maps the desktop's window events
// to the life events of a phone app, and keeps the icon badge.
//
// Desktop mapping: focus lost -> will resign active; minimised or hidden ->
// did enter background; shown again -> will enter foreground; focused -> did
// become active. Closing the window hides it when a system tray can bring it
// back, and quits otherwise.
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
    ApplicationState applicationState() const { return mHeardAs.value_or(mState); }

    // Calls didFinishLaunchingWithOptions and starts following the window.
    bool launch(const LaunchOptions &options = {});

    int applicationIconBadgeNumber() const { return mBadgeNumber; }
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
    void scheduleStateUpdate();
    void becomeActive();
    void resignActive();
    void enterBackground();
    void enterForeground();
    void setState(ApplicationState state);
    void setUpTray();
    void followKeyWindow(Window *window);
    // Reads the registry, tells the user what could not be read, and starts
    // firing: once, after the first rows are drawn.
    void openReminders();
    // Tells the user what a reading of the registry kept aside, once each.
    void reportRegistryProblems();
    static constexpr int FirstPaintWaitMs = 1000;
    // How long a starting app waits for the focus before a reminder that
    // came meanwhile becomes a notification.
    static constexpr int StartupFocusWaitMs = 3000;
    // How long a compositor may take to give the focus for a token.
    static constexpr int ActivationWaitMs = 500;
    void reminderFired(const Reminder &reminder);
    // Whether a window of ours has the keyboard focus now.
    bool hasFocus() const;
    void deliver(const Reminder &reminder, std::optional<ApplicationState> heardAs = {});
    void notify(const Reminder &reminder);
    void notificationFailed(const QString &key);
    void deliverHeldReminders();
    // Raises the window with the token the platform gave the process, once.
    void activateWithToken();
    void updateBadgeViews();

    std::unique_ptr<ApplicationDelegate> mDelegate;
    ApplicationState mState = ApplicationState::Inactive;
    int mBadgeNumber = 0;
    QPointer<Window> mKeyWindow;
    QPointer<QObject> mFollowedWindow;
    Tray *mTray = nullptr;
    bool mTerminated = false;
    bool mStateUpdatePending = false;
    bool mHasBeenInFront = false;
    // The state the delegate is told while it hears a reminder: how the
    // reminder came, not where the focus happens to be.
    std::optional<ApplicationState> mHeardAs;
    // Held while the app runs: the reminder service stands aside meanwhile.
    std::unique_ptr<FileLock> mPresence;
    ReminderCenter *mReminders = nullptr;
    bool mRemindersOpen = false;
    struct {
        QString keptAside, damaged, unusable;
    } mReported;
    QPointer<QWindow> mFirstExpose;
    DesktopNotifications *mNotifications = nullptr;
    // Reminders that came while the app was starting, or whose notification
    // could only be shown by raising the window: heard once it is in front.
    QList<Reminder> mHeldReminders;
    // Shown where nobody can answer them: heard once the user brings the
    // app to the front.
    QList<Reminder> mUnanswerable;
    QHash<QString, Reminder> mNotifiedReminders;
};

} // namespace platform
