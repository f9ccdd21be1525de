// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/ViewController.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QWidget>

#include <initializer_list>

namespace platform {

namespace {
bool animations = true;

// The first of these buttons the user can press now, by object name.
QAbstractButton *shownButton(QWidget *view, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        for (QAbstractButton *button :
             view->findChildren<QAbstractButton *>(QString::fromLatin1(name))) {
            if (button->isVisibleTo(view) && button->isEnabled())
                return button;
        }
    }
    return nullptr;
}
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
        mView->installEventFilter(this);
        // A fingertip's size for every button, however small its text.
        for (QAbstractButton *button : mView->findChildren<QAbstractButton *>())
            button->setMinimumSize(button->minimumSize().expandedTo(QSize(44, 44)));
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

bool ViewController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != mView || event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    if (key->key() == Qt::Key_Escape) {
        if (QAbstractButton *cancel = shownButton(mView, {"btnBack", "btnCancel"})) {
            cancel->click();
        } else if (mPresenting) {
            dismissModalViewControllerAnimated(true);
        } else {
            return false;
        }
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        auto *focused = qobject_cast<QAbstractButton *>(mView->focusWidget());
        if (focused && mView->isAncestorOf(focused) && focused->isEnabled()) {
            focused->click();
            return true;
        }
        if (QAbstractButton *main = shownButton(mView, {"btnSave", "btnDone", "btnSend"})) {
            main->click();
            return true;
        }
    }
    return false;
}

ScreenStack *ViewController::screenStack() const
{
    return mView ? dynamic_cast<ScreenStack *>(mView->window()) : nullptr;
}

void ViewController::presentModalViewController(std::unique_ptr<ViewController> controller,
                                                bool animated)
{
    ScreenStack *shownIn = screenStack();
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
    ScreenStack *shownIn = presented->screenStack();
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

} // namespace platform
