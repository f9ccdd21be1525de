// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QWidget;

namespace platform {

// How a presented screen comes in, and goes out in reverse.
enum class ModalTransitionStyle : int {
    CoverVertical = 0,  // slides up from the bottom
    FlipHorizontal = 1, // turns over around the vertical axis
    CrossDissolve = 2,  // fades in
    PartialCurl = 3,    // the screen's page lifts and reveals it
};

// Where view controllers put the screens they present (the window), so they
// need not know the window itself.
class ScreenStack {
public:
    // Puts a presented screen on top. onTapAway is called when the user taps
    // what is left of the screen underneath (the lifted page of a curl).
    virtual void presentScreen(QWidget *view, ModalTransitionStyle style, bool animated,
                               std::function<void(bool tappedAway)> onTapAway) = 0;
    // Takes it away again; done runs once it is gone.
    virtual void dismissScreen(QWidget *view, ModalTransitionStyle style, bool animated,
                               std::function<void()> done) = 0;

protected:
    ~ScreenStack() = default;
};

} // namespace platform
