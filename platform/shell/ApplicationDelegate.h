// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {

class Application;
class LaunchOptions;
class Window;
struct Reminder;

// What the application object tells the program about its life. Every
// answer but launching does nothing unless the program says otherwise.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;

    // The main window, made before launching finishes.
    virtual Window *window() const = 0;

    virtual bool didFinishLaunchingWithOptions(Application &application,
                                               const LaunchOptions &options) = 0;
    virtual void applicationWillResignActive(Application &) {}
    virtual void applicationDidEnterBackground(Application &) {}
    virtual void applicationWillEnterForeground(Application &) {}
    virtual void applicationDidBecomeActive(Application &) {}
    virtual void applicationWillTerminate(Application &) {}

    // A reminder's moment came while the app was in front (active or
    // inactive), or the user answered its notification (inactive then).
    virtual void didReceiveLocalNotification(Application &, const Reminder &) {}
};

} // namespace platform
