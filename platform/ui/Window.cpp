// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/Window.h"

#include "platform/ui/Accessibility.h"
#include "platform/ui/ScreenTransition.h"
#include "platform/ui/ViewController.h"

#include <QAction>
#include <QLayout>
#include <QPainter>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

// Width to height of the widest column the screens are shown in.
constexpr double widestAspect = 0.8;

QPointer<Window> keyWindowNow;
std::function<void(Window *)> keyWindowObserver;

void prepare(QWidget *view, const QRect &geometry)
{
    view->setGeometry(geometry);
    view->ensurePolished();
    if (QLayout *layout = view->layout())
        layout->activate();
}

} // namespace

Window::Window(QWidget *parent)
    : QWidget(parent)
{
    // Screen readers learn the platform's widgets before any is shown.
    installAccessibility();
    auto *quit = new QAction(tr("Quit"), this);
    quit->setObjectName(u"actionQuit"_s);
    quit->setShortcut(QKeySequence::Quit);
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, this, &Window::quitRequested);
    addAction(quit);
}

Window::~Window() = default;

void Window::setRootViewController(ViewController *controller)
{
    if (mRootViewController == controller)
        return;
    if (mRootViewController && mRootViewController->isViewLoaded()) {
        QWidget *old = mRootViewController->view();
        old->hide();
        old->setParent(nullptr);
    }
    mRootViewController = controller;
    if (controller) {
        QWidget *view = controller->view();
        view->setParent(this);
        view->setGeometry(screenRect());
        view->lower();
        view->show();
    }
}

void Window::makeKeyAndVisible()
{
    setKeyWindow(this);
    show();
    activateWindow();
}

Window *Window::keyWindow()
{
    return keyWindowNow;
}

void Window::setKeyWindow(Window *window)
{
    keyWindowNow = window;
    if (keyWindowObserver)
        keyWindowObserver(window);
}

void Window::setKeyWindowObserver(std::function<void(Window *)> observer)
{
    keyWindowObserver = std::move(observer);
}

void Window::setBadgeNumber(int number)
{
    if (mBaseTitle.isNull())
        mBaseTitle = windowTitle();
    setWindowTitle(number > 0 ? u"%1 (%2)"_s.arg(mBaseTitle).arg(number) : mBaseTitle);
}

QRect Window::screenRect() const
{
    const int widest = int(height() * widestAspect);
    if (width() <= widest)
        return rect();
    return QRect((width() - widest) / 2, 0, widest, height());
}

bool Window::requestInterfaceOrientation(int orientation)
{
    ViewController *front = frontController();
    return front && front->shouldAutorotateToInterfaceOrientation(orientation);
}

QList<QWidget *> Window::presentedScreens() const
{
    QList<QWidget *> views;
    for (const Screen &screen : mScreens) {
        if (screen.view)
            views.append(screen.view);
    }
    return views;
}

QWidget *Window::topView() const
{
    for (auto it = mScreens.crbegin(); it != mScreens.crend(); ++it) {
        if (it->view)
            return it->view;
    }
    return mRootViewController && mRootViewController->isViewLoaded() ? mRootViewController->view()
                                                                      : nullptr;
}

ViewController *Window::frontController() const
{
    ViewController *front = mRootViewController;
    while (front && front->presentedViewController())
        front = front->presentedViewController();
    return front;
}

namespace {

// On the screen's first control below its bar (the bar's Cancel would make
// Enter cancel), else on its first control; never on a frame or a label.
void focusFirstControl(QWidget *view)
{
    QWidget *first = nullptr;
    for (QWidget *w = view->nextInFocusChain(); w && w != view; w = w->nextInFocusChain()) {
        if (!view->isAncestorOf(w) || !(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(view) ||
            !w->isEnabled())
            continue;
        bool inBar = false;
        for (QWidget *p = w->parentWidget(); p && p != view; p = p->parentWidget())
            inBar = inBar || p->objectName() == QLatin1String("navigationBar");
        if (!inBar) {
            first = w;
            break;
        }
        if (!first)
            first = w;
    }
    view->setFocus(Qt::OtherFocusReason);
    if (first)
        first->setFocus(Qt::TabFocusReason);
}

} // namespace

void Window::presentScreen(QWidget *view, ModalTransitionStyle style, bool animated,
                           std::function<void(bool tappedAway)> onTapAway)
{
    QWidget *under = topView();
    const QRect area = screenRect();
    // Pictures are taken before the new screen joins the window: rendering a
    // screen of the window while a hidden one waits beside it leaves the
    // waiting one's laid-out children unpainted (Qt 6.4).
    const QPixmap underPicture = under ? under->grab() : QPixmap();
    prepare(view, QRect(QPoint(0, 0), area.size()));
    const QPixmap viewPicture = animated ? view->grab() : QPixmap();
    view->setParent(this);
    view->hide();
    view->setGeometry(area);

    Screen screen{view, nullptr};
    mScreens.append(screen);
    const QPointer<QWidget> guardedView(view);
    auto finish = [this, guardedView, under = QPointer<QWidget>(under), style, underPicture,
                   onTapAway] {
        if (!guardedView)
            return;
        if (under)
            under->hide(); // out of the focus chain and of screen readers' sight
        guardedView->show();
        guardedView->raise();
        if (style == ModalTransitionStyle::PartialCurl && !underPicture.isNull()) {
            auto *curl = new PageCurl(this, underPicture);
            curl->setGeometry(screenRect());
            curl->show();
            curl->raise();
            connect(curl, &PageCurl::tapped, this, [onTapAway] { onTapAway(true); });
            for (Screen &s : mScreens) {
                if (s.view == guardedView)
                    s.curl = curl;
            }
        }
        focusFirstControl(guardedView);
    };

    if (!animated || underPicture.isNull()) {
        finish();
        return;
    }
    auto *transition =
        new ScreenTransition(this, style, underPicture, viewPicture, ScreenTransition::Presenting);
    transition->setGeometry(area);
    transition->run(finish);
}

void Window::dismissScreen(QWidget *view, ModalTransitionStyle style, bool animated,
                           std::function<void()> done)
{
    qsizetype index = -1;
    for (qsizetype i = 0; i < mScreens.size(); ++i) {
        if (mScreens[i].view == view)
            index = i;
    }
    if (index < 0) {
        done();
        return;
    }
    delete mScreens[index].curl.data();
    mScreens.removeAt(index);

    QWidget *under = index > 0 ? mScreens[index - 1].view.data()
                               : (mRootViewController && mRootViewController->isViewLoaded()
                                      ? mRootViewController->view()
                                      : nullptr);
    if (under) {
        under->show();
        if (index > 0 && mScreens[index - 1].curl)
            mScreens[index - 1].curl->raise();
    }
    if (!animated || !under) {
        view->hide();
        if (under)
            under->setFocus(Qt::OtherFocusReason);
        done();
        return;
    }
    prepare(under, screenRect());
    auto *transition = new ScreenTransition(this, style, under->grab(), view->grab(),
                                            ScreenTransition::Dismissing);
    transition->setGeometry(screenRect());
    view->hide();
    transition->run([done, under = QPointer<QWidget>(under)] {
        if (under)
            under->setFocus(Qt::OtherFocusReason);
        done();
    });
}

QSize Window::sizeHint() const
{
    // A phone held upright.
    return {390, 760};
}

void Window::resizeEvent(QResizeEvent *)
{
    placeScreens();
}

void Window::paintEvent(QPaintEvent *)
{
    // Beside a column narrower than the window.
    if (screenRect() != rect()) {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Dark));
    }
}

void Window::placeScreens()
{
    const QRect area = screenRect();
    if (mRootViewController && mRootViewController->isViewLoaded())
        mRootViewController->view()->setGeometry(area);
    for (const Screen &screen : mScreens) {
        if (screen.view)
            screen.view->setGeometry(area);
        if (screen.curl)
            screen.curl->setGeometry(area);
    }
    for (ScreenTransition *transition :
         findChildren<ScreenTransition *>(Qt::FindDirectChildrenOnly))
        transition->setGeometry(area);
}

} // namespace platform
