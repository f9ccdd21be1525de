// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/shell/Application.h"
#include "platform/shell/ApplicationDelegate.h"
#include "platform/ui/Window.h"

#include <QStringList>

// An application delegate that writes down every life event and reminder it
// hears, each with the application state of that moment ("active/0").
class RecordingDelegate : public platform::ApplicationDelegate {
public:
    RecordingDelegate() { mWindow.setWindowTitle(QStringLiteral("Velkari")); }

    platform::Window *window() const override { return &mWindow; }

    bool didFinishLaunchingWithOptions(platform::Application &app,
                                       const platform::LaunchOptions &) override
    {
        record(app, QStringLiteral("launch"));
        mWindow.makeKeyAndVisible();
        return true;
    }
    void applicationWillResignActive(platform::Application &app) override
    {
        record(app, QStringLiteral("resign"));
    }
    void applicationDidEnterBackground(platform::Application &app) override
    {
        record(app, QStringLiteral("background"));
    }
    void applicationWillEnterForeground(platform::Application &app) override
    {
        record(app, QStringLiteral("foreground"));
    }
    void applicationDidBecomeActive(platform::Application &app) override
    {
        record(app, QStringLiteral("active"));
    }
    void applicationWillTerminate(platform::Application &app) override
    {
        record(app, QStringLiteral("terminate"));
    }
    void didReceiveLocalNotification(platform::Application &app,
                                     const platform::Reminder &reminder) override
    {
        record(app, QStringLiteral("reminder ") +
                        reminder.userInfo.value(QStringLiteral("ID")).toString());
    }

    QStringList events() const { return mEvents; }
    QStringList takeEvents() { return std::exchange(mEvents, {}); }

private:
    void record(platform::Application &app, const QString &event)
    {
        mEvents.append(event + u'/' + QString::number(int(app.applicationState())));
    }

    mutable platform::Window mWindow;
    QStringList mEvents;
};
