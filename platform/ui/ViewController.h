// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/ScreenStack.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QWidget;

namespace platform {

// Orientations, numbered as the platform numbers them.
namespace InterfaceOrientation {
enum : int {
    Portrait = 1,
    PortraitUpsideDown = 2,
    LandscapeRight = 3,
    LandscapeLeft = 4,
};
} // namespace InterfaceOrientation

// A screen's controller. Its view is made on first use (loadView), and
// viewDidLoad follows at once, so a controller can be created cheaply and
// configured before anything is shown.
//
// A controller presents another over itself; the presented one is owned by
// the platform while it is shown and freed once it is dismissed.
class ViewController : public QObject {
    Q_OBJECT

public:
    explicit ViewController(QObject *parent = nullptr);
    ~ViewController() override;

    // The controller's view, loading it first if needed.
    QWidget *view();
    bool isViewLoaded() const { return !mView.isNull(); }

    // Only portrait, unless a screen says otherwise.
    virtual bool shouldAutorotateToInterfaceOrientation(int orientation) const;

    ModalTransitionStyle modalTransitionStyle() const { return mTransitionStyle; }
    void setModalTransitionStyle(ModalTransitionStyle style) { mTransitionStyle = style; }

    // Shows the controller over this one, with its own transition style.
    void presentModalViewController(std::unique_ptr<ViewController> controller, bool animated);
    // Closes what this controller presents or, when it presents nothing, this
    // controller itself. Screens presented above go with it.
    void dismissModalViewControllerAnimated(bool animated);

    ViewController *presentedViewController() const { return mPresented.get(); }
    ViewController *presentingViewController() const { return mPresenting; }

    // Transitions play unless switched off (tests switch them off, and then
    // presenting and dismissing finish at once).
    static void setAnimationsEnabled(bool enabled);

protected:
    // Escape presses the screen's Cancel (or Back), and closes a presented
    // screen that has none; Enter presses the focused button, or else the
    // screen's main action (Save, Done, Send). Keys a control uses itself
    // (Enter in the message text) never get here.
    bool eventFilter(QObject *watched, QEvent *event) override;

    // Makes the view; the default is an empty widget. Screens build theirs
    // from their layout.
    virtual QWidget *loadView();
    virtual void viewDidLoad() {}

private:
    void dismissPresented(bool animated);
    // Where this controller's view is shown (its window), if anywhere.
    ScreenStack *screenStack() const;

    QPointer<QWidget> mView;
    ModalTransitionStyle mTransitionStyle = ModalTransitionStyle::CoverVertical;
    std::unique_ptr<ViewController> mPresented;
    ViewController *mPresenting = nullptr;
};

} // namespace platform
