// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/WindowActivation.h"

#include "platform/ui/Window.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace platform {

WindowActivation::WindowActivation(std::function<Window *()> keyWindow, QObject *parent)
    : QObject(parent)
    , mKeyWindow(std::move(keyWindow))
{
}

void WindowActivation::setToken(const QString &token)
{
    // Tokens are short printable words (xdg-activation, startup ids).
    const bool wellFormed = !token.isEmpty() && token.size() <= 512 &&
                            std::all_of(token.cbegin(), token.cend(), [](QChar c) {
                                return c.unicode() > 0x20 && c.unicode() < 0x7f;
                            });
    if (wellFormed)
        qputenv("XDG_ACTIVATION_TOKEN", token.toLatin1());
}

bool WindowActivation::hasFocus()
{
    return QApplication::activeWindow() != nullptr;
}

void WindowActivation::bringToFront()
{
    Window *window = mKeyWindow();
    if (!window)
        return;
    const bool hasToken = !qEnvironmentVariableIsEmpty("XDG_ACTIVATION_TOKEN");
    const bool behind =
        QGuiApplication::platformName() == u"wayland"_s && window->isVisible() && !hasFocus();
    if (behind && !hasToken) {
        // A Wayland client raises itself only with a token, and Phosh sends
        // none with a notification's answer (shell.c only folds its panel).
        // A window mapped anew takes the focus on phoc (view_initial_focus)
        // and most compositors; elsewhere the shell marks it as wanting it.
        window->hide();
    }
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
    // Spent by Qt's Wayland plugin; of no use on X11, and not for the
    // programs we start.
    qunsetenv("XDG_ACTIVATION_TOKEN");
    if (behind && hasToken) {
        // Debian 12's phoc (0.24) takes the token but only tells Phosh the
        // start is over: its xdg-activation handler moves no focus. Then the
        // window is shown anew, once.
        QTimer::singleShot(ActivationWaitMs, this, [this] {
            Window *window = mKeyWindow();
            if (window && window->isVisible() && !hasFocus()) {
                window->hide();
                window->show();
                window->activateWindow();
            }
        });
    }
}

void WindowActivation::activateWithToken()
{
    if (qEnvironmentVariableIsEmpty("XDG_ACTIVATION_TOKEN"))
        return;
    // Qt 6.4 reads the token only when asked to activate, not when the
    // window first appears.
    Window *window = mKeyWindow();
    if (window && window->isVisible())
        window->activateWindow();
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

} // namespace platform
