// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/ViewController.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace platform {

class PageCurl;

// The app's one top-level window, phone-shaped. It shows its root view
// controller's view and, stacked above it, the screens presented over it,
// always in a portrait column: a window made wider than tall keeps its
// screens upright in the middle rather than turning them.
class Window : public QWidget, public ScreenStack {
    Q_OBJECT

public:
    explicit Window(QWidget *parent = nullptr);
    ~Window() override;

    ViewController *rootViewController() const { return mRootViewController; }
    // Loads the controller's view (so its viewDidLoad runs now) and shows it.
    // The window does not own the controller.
    void setRootViewController(ViewController *controller);

    // Becomes the key window and is shown.
    void makeKeyAndVisible();

    // The window alerts sit on and the application follows: the one made
    // key last, while it lives.
    static Window *keyWindow();
    static void setKeyWindow(Window *window);
    // Told each time another window becomes key.
    static void setKeyWindowObserver(std::function<void(Window *)> observer);

    // The title reads "Velkari (3)" while the badge shows 3.
    void setBadgeNumber(int number);

    // Where the screens are shown: the window, or an upright column of it.
    QRect screenRect() const;

    // Asks the screen in front whether it turns to the orientation; false
    // (and nothing turns) when it does not.
    bool requestInterfaceOrientation(int orientation);

    // Presented screens, bottom to top (for the controllers and tests).
    QList<QWidget *> presentedScreens() const;

    void presentScreen(QWidget *view, ModalTransitionStyle style, bool animated,
                       std::function<void(bool tappedAway)> onTapAway) override;
    void dismissScreen(QWidget *view, ModalTransitionStyle style, bool animated,
                       std::function<void()> done) override;

    QSize sizeHint() const override;

Q_SIGNALS:
    // The Quit shortcut, from any window of the app.
    void quitRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Screen {
        QPointer<QWidget> view;
        QPointer<PageCurl> curl;
    };

    QWidget *topView() const;
    ViewController *frontController() const;
    void placeScreens();

    QPointer<ViewController> mRootViewController;
    QList<Screen> mScreens;
    QString mBaseTitle;
};

} // namespace platform
