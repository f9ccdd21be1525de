// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>

namespace platform {

class Tray;
class Window;

// The number on the app's icon: shown in the key window's title and the
// tray, and published as the launcher entry's count. Zero or less shows no
// badge.
class IconBadge {
public:
    int number() const { return mNumber; }
    void setNumber(int number);

    // Where the number is shown; either may be null.
    void setWindow(Window *window);
    void setTray(Tray *tray);

private:
    void updateViews();

    int mNumber = 0;
    QPointer<Window> mWindow;
    Tray *mTray = nullptr;
};

} // namespace platform
