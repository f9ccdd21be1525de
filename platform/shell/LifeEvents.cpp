// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/LifeEvents.h"

#include "platform/shell/ApplicationDelegate.h"
#include "platform/ui/Window.h"

#include <QApplication>

namespace platform {

LifeEvents::LifeEvents(Application &application, ApplicationDelegate &delegate,
                       std::function<Window *()> keyWindow, QObject *parent)
    : QObject(parent)
    , mApplication(application)
    , mDelegate(delegate)
    , mKeyWindow(std::move(keyWindow))
{
}

void LifeEvents::scheduleUpdate()
{
    // Window systems report a change in several events (a state change, a
    // hide, a show, sometimes an echo of an earlier request); the state is
    // read once they have all arrived.
    if (mUpdatePending)
        return;
    mUpdatePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            mUpdatePending = false;
            Window *window = mKeyWindow();
            if (mTerminated || !window)
                return;
            if (!window->isVisible() || window->isMinimized()) {
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

void LifeEvents::becomeActive()
{
    if (mState == ApplicationState::Active)
        return;
    mState = ApplicationState::Active;
    mDelegate.applicationDidBecomeActive(mApplication);
    mHasBeenInFront = true;
    Q_EMIT becameActive();
}

void LifeEvents::resignActive()
{
    if (mState != ApplicationState::Active)
        return;
    mDelegate.applicationWillResignActive(mApplication);
    mState = ApplicationState::Inactive;
}

void LifeEvents::enterBackground()
{
    if (mState == ApplicationState::Background)
        return;
    resignActive();
    mState = ApplicationState::Background;
    mDelegate.applicationDidEnterBackground(mApplication);
    mHasBeenInFront = true;
    Q_EMIT enteredBackground();
}

void LifeEvents::enterForeground()
{
    if (mState != ApplicationState::Background)
        return;
    mState = ApplicationState::Inactive;
    mDelegate.applicationWillEnterForeground(mApplication);
}

void LifeEvents::terminate()
{
    if (mTerminated)
        return;
    enterBackground();
    mTerminated = true;
    mDelegate.applicationWillTerminate(mApplication);
    QCoreApplication::quit();
}

} // namespace platform
