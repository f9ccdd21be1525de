// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/shell/ApplicationState.h"

#include <QObject>

#include <functional>

namespace platform {

class Application;
class ApplicationDelegate;
class Window;

// The life events of a phone app, read from the key window: focus lost ->
// will resign active; minimised or hidden -> did enter background; shown
// again -> will enter foreground; focused -> did become active. Each change
// is told to the delegate once, in this order.
class LifeEvents : public QObject {
    Q_OBJECT

public:
    // The delegate hears the events, given the application; the key window
    // is read where the events come from.
    LifeEvents(Application &application, ApplicationDelegate &delegate,
               std::function<Window *()> keyWindow, QObject *parent);

    ApplicationState state() const { return mState; }
    // Whether the window has been in front, or in the background, since the
    // start: until then the app is still starting.
    bool hasBeenInFront() const { return mHasBeenInFront; }
    bool isTerminated() const { return mTerminated; }

    // Reads the state from the key window once the events of one change have
    // all arrived.
    void scheduleUpdate();
    void enterForeground();
    // The life events up to will terminate, then the event loop ends.
    void terminate();

Q_SIGNALS:
    void becameActive();
    void enteredBackground();

private:
    void becomeActive();
    void resignActive();
    void enterBackground();

    Application &mApplication;
    ApplicationDelegate &mDelegate;
    std::function<Window *()> mKeyWindow;
    ApplicationState mState = ApplicationState::Inactive;
    bool mTerminated = false;
    bool mUpdatePending = false;
    bool mHasBeenInFront = false;
};

} // namespace platform
