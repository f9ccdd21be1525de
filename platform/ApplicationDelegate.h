#pragma once

namespace platform {

class Application;
class LaunchOptions;
class Window;

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
};

} // namespace platform
