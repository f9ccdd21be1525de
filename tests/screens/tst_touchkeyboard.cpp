// SPDX-License-Identifier: GPL-3.0-or-later
// The screens as a finger, a keyboard and a screen reader use them: synthetic
// touch-like drags and keys, and Qt's own accessibility interfaces.

#include "platform/ui/DatePicker.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextView.h"
#include "screens/EditProps.h"
#include "screens/Properties.h"
#include "screens/VelkariViewController.h"
#include "support/AppHarness.h"
#include "support/MockClock.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QDateTimeEdit>
#include <QImage>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>

#include <cmath>

using namespace Qt::Literals::StringLiterals;
using platform::AlertView;
using platform::ViewController;
using namespace velkari;

namespace {

QVariantList schedules(int count)
{
    QVariantList list;
    for (int i = 0; i < count; ++i)
        list.append(QVariant(QVariantList{
            u"ID%1"_s.arg(i), u"Person %1"_s.arg(i), u"555 01%1"_s.arg(i),
            platform::Clock::now().addSecs(3600), u"Text %1"_s.arg(i), u"0"_s, u"0"_s}));
    return list;
}

ViewController *frontOf(AppHarness &run)
{
    ViewController *front = run.delegate->viewController();
    while (front->presentedViewController())
        front = front->presentedViewController();
    return front;
}

// The edit form of the row, as a tap opens it.
EditProps *openEditForm(AppHarness &run, int row)
{
    VelkariViewController *list = run.delegate->viewController();
    list->didSelectRowAtIndexPath(*list->mTableView(), platform::IndexPath::forRow(row));
    return qobject_cast<EditProps *>(frontOf(run));
}

// A finger's drag: press, moves in small steps, release.
void drag(QWidget *widget, QPoint from, int dy)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    const int steps = 10;
    for (int i = 1; i <= steps; ++i) {
        QMouseEvent move(QEvent::MouseMove, from + QPoint(0, dy * i / steps),
                         widget->mapToGlobal(from + QPoint(0, dy * i / steps)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    QTest::mouseRelease(widget, Qt::LeftButton, {}, from + QPoint(0, dy));
}

} // namespace

class TestTouchKeyboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dragScrollsTheListAndATapOpensARow();
    void escapeAndEnterOnEachScreen_data();
    void escapeAndEnterOnEachScreen();
    void deleteQuestionFocusesNo();
    void formKeepsTheTextInSightAndTabsInVisualOrder();
    void screenReaderHearsValuesAndRowsInOrder();
    void everyTextReadsInADarkPalette();
};

void TestTouchKeyboard::dragScrollsTheListAndATapOpensARow()
{
    MockClock clock;
    AppHarness run(schedules(40));
    QVERIFY(run.activate());
    platform::TableView *table = run.delegate->viewController()->mTableView();
    table->layoutIfNeeded();
    QVERIFY(table->verticalScrollBar()->maximum() > 300);

    drag(table, {40, 400}, -300);
    const int released = table->verticalScrollBar()->value();
    QVERIFY(released >= 250);
    // A quick flick glides on after the finger has left, then settles.
    QTRY_VERIFY(table->verticalScrollBar()->value() > released);
    for (int last = -1; last != table->verticalScrollBar()->value();) {
        last = table->verticalScrollBar()->value();
        QTest::qWait(100);
    }
    QVERIFY(!run.delegate->viewController()->presentedViewController()); // a drag opens nothing

    // A tap, without moving, still opens the row under it.
    const int top = table->verticalScrollBar()->value();
    QTest::mouseClick(table, Qt::LeftButton, {}, {40, table->rowHeight() / 2});
    auto *form = qobject_cast<EditProps *>(frontOf(run));
    QVERIFY(form);
    QCOMPARE(form->mIndex, top / table->rowHeight());
}

void TestTouchKeyboard::escapeAndEnterOnEachScreen_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");
    QTest::newRow("about, Escape") << u"about"_s << int(Qt::Key_Escape) << true;
    QTest::newRow("new form, Escape") << u"new"_s << int(Qt::Key_Escape) << true;
    QTest::newRow("edit form, Escape") << u"edit"_s << int(Qt::Key_Escape) << true;
    QTest::newRow("edit form, Enter in the date saves") << u"edit"_s << int(Qt::Key_Return) << true;
    QTest::newRow("repeat picker, Escape") << u"repeat"_s << int(Qt::Key_Escape) << true;
    QTest::newRow("people picker, Escape") << u"people"_s << int(Qt::Key_Escape) << true;
    QTest::newRow("list, Escape does nothing") << u"list"_s << int(Qt::Key_Escape) << false;
}

void TestTouchKeyboard::escapeAndEnterOnEachScreen()
{
    QFETCH(QString, screen);
    QFETCH(int, key);
    QFETCH(bool, closes);
    MockClock clock;
    AppHarness run(schedules(2));
    QVERIFY(run.activate());
    VelkariViewController *list = run.delegate->viewController();
    if (screen == u"about"_s) {
        list->btnAbout();
    } else if (screen == u"new"_s) {
        list->btnAdd();
    } else if (screen != u"list"_s) {
        EditProps *form = openEditForm(run, 0);
        QVERIFY(form);
        if (screen == u"repeat"_s)
            form->btnSelectRepeat();
        else if (screen == u"people"_s)
            form->ShowPicker();
    }
    ViewController *shown = frontOf(run);
    ViewController *under = shown->presentingViewController();
    QVERIFY(screen == u"list"_s || under);
    // The screen opened with the focus on one of its own controls.
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(focused);
    QVERIFY2(shown->view()->isAncestorOf(focused), qPrintable(focused->objectName()));
    QVERIFY(focused->focusPolicy() & Qt::TabFocus);
    // Every button is a fingertip's size.
    for (QAbstractButton *button : shown->view()->findChildren<QAbstractButton *>()) {
        if (button->isVisibleTo(shown->view()))
            QVERIFY2(button->width() >= 44 && button->height() >= 44,
                     qPrintable(button->objectName()));
    }

    const QByteArray before = readFile(run.env().dataFile());
    const qsizetype reminders = run.app->scheduledLocalNotifications().size();
    // Enter on a focused button presses that button; elsewhere it is Save.
    if (auto *form = qobject_cast<EditProps *>(shown); form && key == Qt::Key_Return) {
        focused = form->crDate->editor();
        focused->setFocus(Qt::TabFocusReason);
    }
    QTest::keyClick(focused, Qt::Key(key));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (!closes) {
        QCOMPARE(frontOf(run), shown);
        return;
    }
    QCOMPARE(frontOf(run), under);
    // Saving the edit form registers the schedule's reminder anew.
    const bool saved = screen == u"edit"_s && key == Qt::Key_Return;
    QCOMPARE(run.app->scheduledLocalNotifications().size() != reminders, saved);
    if (!saved)
        QCOMPARE(readFile(run.env().dataFile()), before);
}

void TestTouchKeyboard::deleteQuestionFocusesNo()
{
    MockClock clock;
    AppHarness run(schedules(1));
    QVERIFY(run.activate());
    EditProps *form = openEditForm(run, 0);
    QVERIFY(form);
    form->btnDelete();
    QTRY_VERIFY(!AlertView::visibleAlerts().isEmpty() &&
                AlertView::visibleAlerts().first()->dialog());
    QMessageBox *box = AlertView::visibleAlerts().first()->dialog();
    QCOMPARE(QAccessible::queryAccessibleInterface(box)->role(), QAccessible::AlertMessage);
    QCOMPARE(box->defaultButton()->text(), u"No"_s);
    QTRY_COMPARE(box->focusWidget(), box->defaultButton());

    const QByteArray before = readFile(run.env().dataFile());
    QTest::keyClick(box->focusWidget(), Qt::Key_Return);
    QVERIFY(AlertView::visibleAlerts().isEmpty());
    QCOMPARE(readFile(run.env().dataFile()), before); // nothing deleted
}

void TestTouchKeyboard::formKeepsTheTextInSightAndTabsInVisualOrder()
{
    MockClock clock;
    AppHarness run(schedules(1));
    QVERIFY(run.activate());
    EditProps *form = openEditForm(run, 0);
    QVERIFY(form);

    // Tab goes down the screen, row by row, left to right within a row.
    QWidget *view = form->view();
    QList<QWidget *> chain;
    for (QWidget *w = view->nextInFocusChain(); w && w != view; w = w->nextInFocusChain()) {
        if (view->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(view))
            chain.append(w);
    }
    QVERIFY(chain.size() >= 5);
    for (qsizetype i = 1; i < chain.size(); ++i) {
        const QRect before(chain[i - 1]->mapTo(view, QPoint()), chain[i - 1]->size());
        const QRect after(chain[i]->mapTo(view, QPoint()), chain[i]->size());
        const bool sameRow = after.top() < before.bottom() && before.top() < after.bottom();
        QVERIFY2(sameRow ? after.left() >= before.left() : after.top() >= before.bottom(),
                 qPrintable(chain[i - 1]->objectName() + u" then "_s + chain[i]->objectName()));
    }

    // A keyboard takes the lower part of a phone's screen while typing: the
    // line being typed stays in sight.
    run.delegate->window()->resize(360, 280);
    QStringList lines;
    for (int i = 0; i < 20; ++i)
        lines.append(u"line %1"_s.arg(i));
    form->txtMessage->setPlainText(lines.join(u'\n'));
    form->txtMessage->moveCursor(QTextCursor::End);
    form->txtMessage->setFocus(Qt::MouseFocusReason);
    auto *scroller = view->findChild<QScrollArea *>(u"formScroller"_s);
    QVERIFY(scroller);
    const auto cursorInSight = [&] {
        const QRect cursor = form->txtMessage->cursorRect();
        const QRect shown(
            form->txtMessage->viewport()->mapTo(scroller->viewport(), cursor.topLeft()),
            cursor.size());
        return scroller->viewport()->rect().contains(shown);
    };
    QTRY_VERIFY(cursorInSight());
    QVERIFY(scroller->verticalScrollBar()->value() > 0);
}

void TestTouchKeyboard::screenReaderHearsValuesAndRowsInOrder()
{
    MockClock clock;
    AppHarness run(schedules(5));
    QVERIFY(run.activate());
    VelkariViewController *list = run.delegate->viewController();
    list->mTableView()->layoutIfNeeded();

    QAccessibleInterface *table = QAccessible::queryAccessibleInterface(list->mTableView());
    QCOMPARE(table->role(), QAccessible::List);
    QCOMPARE(table->childCount(), 5);
    for (int i = 0; i < table->childCount(); ++i) {
        QAccessibleInterface *row = table->child(i);
        QCOMPARE(row->role(), QAccessible::ListItem);
        QVERIFY2(row->text(QAccessible::Name).startsWith(u"Person %1,"_s.arg(i)),
                 qPrintable(row->text(QAccessible::Name)));
        QCOMPARE(table->indexOfChild(row), i);
    }
    list->mTableView()->selectRowAtIndexPath(platform::IndexPath::forRow(2));
    QVERIFY(table->child(2)->state().selected);
    QVERIFY(!table->child(1)->state().selected);

    // Pressing a row, as a screen reader does, opens it.
    QAccessibleInterface *third = table->child(2);
    QVERIFY(third->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));
    third->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    auto *form = qobject_cast<EditProps *>(frontOf(run));
    QVERIFY(form);
    QCOMPARE(form->mIndex, 2);

    QAccessibleInterface *name = QAccessible::queryAccessibleInterface(form->lblName);
    QCOMPARE(name->text(QAccessible::Name), form->lblName->accessibleName());
    QCOMPARE(name->text(QAccessible::Description), u"Person 2"_s);
    QCOMPARE(QAccessible::queryAccessibleInterface(form->lblRepeat)->text(QAccessible::Description),
             form->lblRepeat->text());
    QVERIFY(!QAccessible::queryAccessibleInterface(form->crDate->editor())
                 ->text(QAccessible::Name)
                 .isEmpty());

    // The empty list's hint is read too.
    AppHarness empty(QVariantList{});
    QAccessibleInterface *emptyTable =
        QAccessible::queryAccessibleInterface(empty.delegate->viewController()->mTableView());
    QCOMPARE(emptyTable->childCount(), 0);
    QCOMPARE(emptyTable->text(QAccessible::Description),
             empty.delegate->viewController()->mTableView()->placeholderText());
    QVERIFY(!emptyTable->text(QAccessible::Description).isEmpty());
}

namespace {

double luminance(QRgb rgb)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) +
           0.0722 * channel(qBlue(rgb));
}

// The strongest contrast any drawn pixel has against the widget's corner,
// which shows its background.
double drawnContrast(QWidget *widget)
{
    const QImage image = widget->grab().toImage();
    const double background = luminance(image.pixel(1, image.height() / 2));
    double best = 1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const double l = luminance(image.pixel(x, y));
            best =
                std::max(best, (std::max(l, background) + 0.05) / (std::min(l, background) + 0.05));
        }
    }
    return best;
}

} // namespace

void TestTouchKeyboard::everyTextReadsInADarkPalette()
{
    const QPalette light = QApplication::palette();
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x22));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x16, 0x16, 0x18));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Button, QColor(0x2c, 0x2c, 0x2e));
    dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    QApplication::setPalette(dark);
    {
        MockClock clock;
        AppHarness run(schedules(3));
        QVERIFY(run.activate());
        EditProps *form = openEditForm(run, 0);
        QVERIFY(form);
        QWidget *view = form->view();
        QList<QWidget *> texts;
        for (QAbstractButton *button : view->findChildren<QAbstractButton *>())
            texts.append(button);
        for (QLabel *label : view->findChildren<QLabel *>())
            texts.append(label);
        for (QWidget *text : texts) {
            if (!text->isVisibleTo(view) || text->width() < 4)
                continue;
            // 3:1 as drawn: anti-aliased small text never reaches its full
            // colour, so this stands for about 4.5:1 between the colours.
            QVERIFY2(drawnContrast(text) >= 3.0, qPrintable(text->objectName()));
        }
    }
    QApplication::setPalette(light);
}

QTEST_MAIN(TestTouchKeyboard)
#include "tst_touchkeyboard.moc"
