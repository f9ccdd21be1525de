// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

namespace platform {

class Window;

// Bringing the key window to the front, with the xdg-activation token the
// platform gave the process where there is one (a launcher, a second start,
// the notification the user answered).
class WindowActivation : public QObject {
    Q_OBJECT

public:
    WindowActivation(std::function<Window *()> keyWindow, QObject *parent);

    // Empty or malformed tokens are ignored.
    static void setToken(const QString &token);
    // Whether a window of ours has the keyboard focus now: the main window,
    // or an alert over it.
    static bool hasFocus();

    // Shows the key window again and gives it the focus.
    void bringToFront();
    // Raises the key window with the token the platform gave the process,
    // once.
    void activateWithToken();

private:
    // How long a compositor may take to give the focus for a token.
    static constexpr int ActivationWaitMs = 500;

    std::function<Window *()> mKeyWindow;
};

} // namespace platform
