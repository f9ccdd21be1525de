// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/IconBadge.h"

#include "platform/desktop/LauncherEntry.h"
#include "platform/shell/Tray.h"
#include "platform/ui/Window.h"

#include <QDBusConnection>

namespace platform {

void IconBadge::setNumber(int number)
{
    mNumber = number;
    updateViews();
    LauncherEntry::publish(QDBusConnection::sessionBus(), number);
}

void IconBadge::setWindow(Window *window)
{
    mWindow = window;
    if (window)
        window->setBadgeNumber(mNumber);
}

void IconBadge::setTray(Tray *tray)
{
    mTray = tray;
    updateViews();
}

void IconBadge::updateViews()
{
    if (mWindow)
        mWindow->setBadgeNumber(mNumber);
    if (mTray)
        mTray->setBadgeNumber(mNumber);
}

} // namespace platform
