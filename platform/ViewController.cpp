#include "ViewController.h"

#include "Window.h"

#include <QWidget>

namespace platform {

namespace {
bool animations = true;
} // namespace

ViewController::ViewController(QObject *parent)
    : QObject(parent)
{
}

ViewController::~ViewController()
{
    if (mPresented)
        mPresented->mPresenting = nullptr;
    delete mView.data();
}

QWidget *ViewController::view()
{
    if (!mView) {
        mView = loadView();
        viewDidLoad();
    }
    return mView;
}

bool ViewController::shouldAutorotateToInterfaceOrientation(int orientation) const
{
    return orientation == InterfaceOrientation::Portrait;
}

QWidget *ViewController::loadView()
{
    return new QWidget;
}

Window *ViewController::window() const
{
    return mView ? qobject_cast<Window *>(mView->window()) : nullptr;
}

void ViewController::presentModalViewController(std::unique_ptr<ViewController> controller,
                                                bool animated)
{
    Window *shownIn = window();
    if (!controller || mPresented || !shownIn) {
        // Nothing to show it in, or already presenting: it is dropped, as
        // the platform drops such a request.
        return;
    }
    mPresented = std::move(controller);
    mPresented->mPresenting = this;
    shownIn->presentScreen(mPresented->view(), mPresented->modalTransitionStyle(),
                           animated && animations, [this](bool tappedAway) {
                               if (tappedAway)
                                   dismissModalViewControllerAnimated(true);
                           });
}

void ViewController::dismissModalViewControllerAnimated(bool animated)
{
    if (mPresented)
        dismissPresented(animated);
    else if (mPresenting)
        mPresenting->dismissPresented(animated);
}

void ViewController::dismissPresented(bool animated)
{
    if (!mPresented)
        return;
    // Whatever the presented screen shows above itself goes first, at once.
    if (mPresented->mPresented)
        mPresented->dismissPresented(false);
    ViewController *presented = mPresented.release();
    presented->mPresenting = nullptr;
    Window *shownIn = presented->window();
    if (!shownIn) {
        presented->deleteLater();
        return;
    }
    // Freed later: the dismissal is often asked by the presented screen's
    // own button, whose handler is still running.
    shownIn->dismissScreen(presented->view(), presented->modalTransitionStyle(),
                           animated && animations, [presented] { presented->deleteLater(); });
}

void ViewController::setAnimationsEnabled(bool enabled)
{
    animations = enabled;
}

bool ViewController::animationsEnabled()
{
    return animations;
}

} // namespace platform
