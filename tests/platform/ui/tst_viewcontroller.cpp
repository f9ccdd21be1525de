// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/ScreenTransition.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QLabel>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;
using platform::ModalTransitionStyle;
using platform::ViewController;
using platform::Window;

namespace {

// A screen of one colour, so pictures of it are easy to tell apart.
class Plain : public ViewController {
public:
    explicit Plain(QColor colour)
        : mColour(colour)
    {
    }
    int loads = 0;

protected:
    QWidget *loadView() override
    {
        auto *view = new QWidget;
        view->setAutoFillBackground(true);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Window, mColour);
        view->setPalette(palette);
        return view;
    }
    void viewDidLoad() override { ++loads; }

private:
    QColor mColour;
};

QImage picture(QColor colour)
{
    QImage image(60, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

QImage frame(ModalTransitionStyle style, qreal progress)
{
    QImage out(60, 100, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::magenta);
    QPainter painter(&out);
    platform::ScreenTransition::paintFrame(painter, out.size(), style,
                                           QPixmap::fromImage(picture(Qt::red)),
                                           QPixmap::fromImage(picture(Qt::blue)), progress);
    return out;
}

struct Stage {
    Stage()
        : root(Qt::white)
    {
        window.resize(390, 760);
        window.setRootViewController(&root);
        window.show();
    }
    Window window;
    Plain root;
};

} // namespace

class TestViewController : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        ViewController::setAnimationsEnabled(true);
        // Played, but not waited for longer than it takes to see them play.
        platform::ScreenTransition::setDuration(60);
    }
    void viewLoadsOnceOnFirstUse();
    void presentsAndDismissesWithEachStyle_data();
    void presentsAndDismissesWithEachStyle();
    void transitionsStartAndEndOnTheRightScreen_data();
    void transitionsStartAndEndOnTheRightScreen();
    void dismissingTakesScreensAboveAlong();
    void tappingTheLiftedPageGoesBack();
    void staysUpright();
    void presentedTablesDrawTheirRows_data();
    void presentedTablesDrawTheirRows();
};

void TestViewController::viewLoadsOnceOnFirstUse()
{
    Plain screen(Qt::red);
    QVERIFY(!screen.isViewLoaded());
    QWidget *view = screen.view();
    QCOMPARE(screen.view(), view);
    QCOMPARE(screen.loads, 1);
}

void TestViewController::presentsAndDismissesWithEachStyle_data()
{
    QTest::addColumn<ModalTransitionStyle>("style");
    QTest::newRow("cover vertical") << ModalTransitionStyle::CoverVertical;
    QTest::newRow("flip horizontal") << ModalTransitionStyle::FlipHorizontal;
    QTest::newRow("cross dissolve") << ModalTransitionStyle::CrossDissolve;
    QTest::newRow("partial curl") << ModalTransitionStyle::PartialCurl;
}

void TestViewController::presentsAndDismissesWithEachStyle()
{
    QFETCH(ModalTransitionStyle, style);
    Stage stage;
    auto owned = std::make_unique<Plain>(Qt::blue);
    owned->setModalTransitionStyle(style);
    const QPointer<Plain> presented = owned.get();
    stage.root.presentModalViewController(std::move(owned), true);
    QCOMPARE(stage.root.presentedViewController(), presented.data());
    QCOMPARE(presented->presentingViewController(), &stage.root);

    // The transition plays over the window, then the screen is in front.
    QVERIFY(stage.window.findChild<platform::ScreenTransition *>());
    QTRY_VERIFY(presented->view()->isVisible());
    QTRY_VERIFY(!stage.window.findChild<platform::ScreenTransition *>());
    QVERIFY(!stage.root.view()->isVisible());
    QCOMPARE(stage.window.presentedScreens(), QList<QWidget *>{presented->view()});
    QCOMPARE(stage.window.findChild<platform::PageCurl *>() != nullptr,
             style == ModalTransitionStyle::PartialCurl);

    presented->dismissModalViewControllerAnimated(true);
    QVERIFY(stage.root.view()->isVisible());
    QTRY_VERIFY(presented.isNull());
    QVERIFY(!stage.root.presentedViewController());
    QVERIFY(stage.window.presentedScreens().isEmpty());
    QVERIFY(!stage.window.findChild<platform::PageCurl *>());
}

void TestViewController::transitionsStartAndEndOnTheRightScreen_data()
{
    QTest::addColumn<ModalTransitionStyle>("style");
    QTest::newRow("cover vertical") << ModalTransitionStyle::CoverVertical;
    QTest::newRow("flip horizontal") << ModalTransitionStyle::FlipHorizontal;
    QTest::newRow("cross dissolve") << ModalTransitionStyle::CrossDissolve;
}

void TestViewController::transitionsStartAndEndOnTheRightScreen()
{
    QFETCH(ModalTransitionStyle, style);
    QCOMPARE(frame(style, 0.0), picture(Qt::red));
    QCOMPARE(frame(style, 1.0), picture(Qt::blue));
    const QImage middle = frame(style, 0.5);
    QVERIFY(middle != picture(Qt::red) && middle != picture(Qt::blue));
    // A curl starts as the whole page and ends with the screen below showing.
    QCOMPARE(frame(ModalTransitionStyle::PartialCurl, 0.0), picture(Qt::red));
    const QImage curled = frame(ModalTransitionStyle::PartialCurl, 1.0);
    QCOMPARE(curled.pixelColor(5, 5), QColor(Qt::red));
    QCOMPARE(curled.pixelColor(30, 95), QColor(Qt::blue));
}

void TestViewController::dismissingTakesScreensAboveAlong()
{
    ViewController::setAnimationsEnabled(false);
    Stage stage;
    stage.root.presentModalViewController(std::make_unique<Plain>(Qt::blue), true);
    const QPointer<ViewController> form = stage.root.presentedViewController();
    form->presentModalViewController(std::make_unique<Plain>(Qt::green), true);
    const QPointer<ViewController> picker = form->presentedViewController();
    QVERIFY(picker && picker->view()->isVisible());
    QCOMPARE(stage.window.presentedScreens().size(), 2);

    // A screen closing itself leaves the one under it.
    picker->dismissModalViewControllerAnimated(true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(picker.isNull());
    QVERIFY(form->view()->isVisible());

    form->presentModalViewController(std::make_unique<Plain>(Qt::green), true);
    const QPointer<ViewController> again = form->presentedViewController();
    stage.root.dismissModalViewControllerAnimated(false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.isNull() && again.isNull());
    QVERIFY(stage.root.view()->isVisible());
    QVERIFY(stage.window.presentedScreens().isEmpty());
}

void TestViewController::tappingTheLiftedPageGoesBack()
{
    ViewController::setAnimationsEnabled(false);
    Stage stage;
    auto about = std::make_unique<Plain>(Qt::blue);
    about->setModalTransitionStyle(ModalTransitionStyle::PartialCurl);
    const QPointer<Plain> shown = about.get();
    stage.root.presentModalViewController(std::move(about), false);
    auto *curl = stage.window.findChild<platform::PageCurl *>();
    QVERIFY(curl);
    // Only the page takes clicks: the bottom belongs to the screen it revealed.
    QVERIFY(curl->mask().contains(QPoint(10, 10)));
    QVERIFY(!curl->mask().contains(QPoint(10, curl->height() - 10)));
    QTest::mouseClick(curl, Qt::LeftButton, {}, QPoint(10, 10));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(shown.isNull());
}

void TestViewController::staysUpright()
{
    ViewController::setAnimationsEnabled(false);
    Stage stage;
    QVERIFY(stage.window.requestInterfaceOrientation(platform::InterfaceOrientation::Portrait));
    QVERIFY(
        !stage.window.requestInterfaceOrientation(platform::InterfaceOrientation::LandscapeLeft));
    QVERIFY(
        !stage.window.requestInterfaceOrientation(platform::InterfaceOrientation::LandscapeRight));

    // Made wide, the window keeps its screens in an upright column.
    stage.window.resize(1000, 600);
    const QRect column = stage.window.screenRect();
    QVERIFY(column.width() < column.height());
    QCOMPARE(column.center().x(), stage.window.rect().center().x());
    QCOMPARE(stage.root.view()->geometry(), column);
    stage.root.presentModalViewController(std::make_unique<Plain>(Qt::blue), false);
    QCOMPARE(stage.root.presentedViewController()->view()->geometry(), column);
}

namespace {
class Listing : public ViewController, public platform::TableViewDataSource {
public:
    platform::TableView *table = nullptr;
    int numberOfRowsInSection(platform::TableView &, int) override { return 3; }
    platform::TableViewCell *cellForRowAtIndexPath(platform::TableView &t,
                                                   const platform::IndexPath &path) override
    {
        platform::TableViewCell *cell = t.dequeueReusableCellWithIdentifier(u"plain"_s);
        if (!cell)
            cell = new platform::TableViewCell(u"plain"_s);
        cell->textLabel()->setText(u"Row number %1"_s.arg(path.row));
        return cell;
    }

protected:
    QWidget *loadView() override
    {
        auto *view = new QWidget;
        auto *layout = new QVBoxLayout(view);
        table = new platform::TableView;
        table->setDataSource(this);
        layout->addWidget(table);
        table->reloadData();
        return view;
    }
};
} // namespace

int inkInFirstRow(QWidget *table)
{
    const QImage image = table->grab().toImage();
    const QColor background = image.pixelColor(image.width() - 2, image.height() - 2);
    int inked = 0;
    for (int x = 0; x < 150; ++x) {
        for (int y = 5; y < 40; ++y)
            inked += image.pixelColor(x, y) != background;
    }
    return inked;
}

void TestViewController::presentedTablesDrawTheirRows_data()
{
    QTest::addColumn<bool>("animated");
    QTest::newRow("at once") << false;
    QTest::newRow("animated") << true;
}

void TestViewController::presentedTablesDrawTheirRows()
{
    QFETCH(bool, animated);
    ViewController::setAnimationsEnabled(animated);
    Stage stage;
    auto owned = std::make_unique<Listing>();
    Listing *listing = owned.get();
    stage.root.presentModalViewController(std::move(owned), animated);
    QTRY_VERIFY(!stage.window.findChild<platform::ScreenTransition *>());
    QCoreApplication::processEvents();
    QVERIFY(inkInFirstRow(listing->table) > 50);

    // And again once a screen over it has come and gone.
    listing->presentModalViewController(std::make_unique<Plain>(Qt::blue), animated);
    QTRY_VERIFY(!stage.window.findChild<platform::ScreenTransition *>());
    listing->dismissModalViewControllerAnimated(animated);
    QTRY_VERIFY(!listing->presentedViewController());
    QTRY_VERIFY(!stage.window.findChild<platform::ScreenTransition *>());
    QVERIFY(inkInFirstRow(listing->table) > 50);
}

QTEST_MAIN(TestViewController)
#include "tst_viewcontroller.moc"
