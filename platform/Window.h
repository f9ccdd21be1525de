#pragma once

#include "ViewController.h"

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
class Window : public QWidget {
    Q_OBJECT

public:
    explicit Window(QWidget *parent = nullptr);
    ~Window() override;

    ViewController *rootViewController() const { return mRootViewController; }
    // Loads the controller's view (so its viewDidLoad runs now) and shows it.
    // The window does not own the controller.
    void setRootViewController(ViewController *controller);

    // Becomes the application's key window and is shown.
    void makeKeyAndVisible();

    // The title reads "Velkari (3)" while the badge shows 3.
    void setBadgeNumber(int number);

    // Where the screens are shown: the window, or an upright column of it.
    QRect screenRect() const;

    // Asks the screen in front whether it turns to the orientation; false
    // (and nothing turns) when it does not.
    bool requestInterfaceOrientation(int orientation);

    // Presented screens, bottom to top (for the controllers and tests).
    QList<QWidget *> presentedScreens() const;

    // Used by view controllers to put a presented screen on top and take it
    // away again. onTapAway is called when the user taps what is left of the
    // screen underneath (the lifted page of a curl).
    void presentScreen(QWidget *view, ModalTransitionStyle style, bool animated,
                       std::function<void(bool tappedAway)> onTapAway);
    void dismissScreen(QWidget *view, ModalTransitionStyle style, bool animated,
                       std::function<void()> done);

    QSize sizeHint() const override;

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
