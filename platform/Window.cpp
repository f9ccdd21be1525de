#include "Window.h"

#include "Application.h"
#include "ViewController.h"

#include <QAction>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace platform {

Window::Window(QWidget *parent)
    : QWidget(parent)
    , mLayout(new QVBoxLayout(this))
{
    mLayout->setContentsMargins(0, 0, 0, 0);
    mLayout->setSpacing(0);

    auto *quit = new QAction(tr("Quit"), this);
    quit->setObjectName(u"actionQuit"_s);
    quit->setShortcut(QKeySequence::Quit);
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, this, [] {
        if (Application *app = Application::shared())
            app->terminate();
    });
    addAction(quit);
}

Window::~Window() = default;

void Window::setRootViewController(ViewController *controller)
{
    if (mRootViewController == controller)
        return;
    if (mRootViewController && mRootViewController->isViewLoaded()) {
        QWidget *old = mRootViewController->view();
        mLayout->removeWidget(old);
        old->hide();
        old->setParent(nullptr);
    }
    mRootViewController = controller;
    if (controller) {
        QWidget *view = controller->view();
        mLayout->addWidget(view);
        view->show();
    }
}

void Window::makeKeyAndVisible()
{
    if (Application *app = Application::shared())
        app->setKeyWindow(this);
    show();
    activateWindow();
}

void Window::setBadgeNumber(int number)
{
    if (mBaseTitle.isNull())
        mBaseTitle = windowTitle();
    setWindowTitle(number > 0 ? u"%1 (%2)"_s.arg(mBaseTitle).arg(number) : mBaseTitle);
}

QSize Window::sizeHint() const
{
    // A phone held upright.
    return {390, 760};
}

} // namespace platform
