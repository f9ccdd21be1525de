// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/shell/ApplicationDelegate.h"
#include "platform/ui/AlertView.h"
#include "screens/VelkariShell.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

namespace platform {
class Window;
}

namespace velkari {

class VelkariViewController;

// Lives for the whole run and owns the shared state: the store, the paths,
// the repeat-mode names, the window and the list screen.
class VelkariAppDelegate : public platform::ApplicationDelegate,
                           public VelkariShell,
                           public platform::AlertViewDelegate {
public:
    // Builds the window from the main interface description and the list
    // screen that becomes its root.
    VelkariAppDelegate();
    ~VelkariAppDelegate() override;

    platform::Window *window() const override { return mWindow.get(); }
    VelkariViewController *viewController() const override { return mViewController.get(); }
    platform::TableView *listTableView() const override;

    bool didFinishLaunchingWithOptions(platform::Application &application,
                                       const platform::LaunchOptions &options) override;
    void applicationWillEnterForeground(platform::Application &application) override;

    // A reminder came in while the app runs: the composer at once when the
    // user answered it from outside, else the reminder alert.
    void didReceiveLocalNotification(platform::Application &application,
                                     const platform::Reminder &reminder) override;
    // The reminder alert's answer: "Prepare" opens the composer.
    void alertViewClickedButtonAtIndex(platform::AlertView &alertView, int buttonIndex) override;

    ScheduleStore &store() override { return mStore; }
    const QStringList &mRepeatList() const override { return mRepeatListValue; }
    const QString &mDocsPath() const { return mDocsPathValue; }
    const QString &mDataPath() const { return mStore.mDataPath(); }

    // Counts the upcoming schedules onto the badge.
    void UpdateIconNumber() override;

private:
    // Straight to the composer for the schedule with this ID, which becomes
    // mNotID (the launch path and "Prepare").
    void composeFor(const QString &identifier);
    // The first record whose ID is the text, or nothing.
    const QVariant *scheduleWithID(const QString &identifier) const;

    std::unique_ptr<platform::Window> mWindow;
    std::unique_ptr<VelkariViewController> mViewController;
    ScheduleStore mStore;
    QString mDocsPathValue;
    QStringList mRepeatListValue;
    // Which schedule each reminder alert on screen stands for.
    QHash<platform::AlertView *, QString> mAlertIDs;
};

} // namespace velkari
