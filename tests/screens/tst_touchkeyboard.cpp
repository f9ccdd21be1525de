// SPDX-License-Identifier: GPL-3.0-or-later
// The screens as a finger, a keyboard and a screen reader use them: synthetic
// touch-like drags and keys, and Qt's own accessibility interfaces.

#include "platform/core/PropertyList.h"
#include "platform/core/TimeZones.h"
#include "platform/ui/CalendarSheet.h"
#include "platform/ui/DatePicker.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextView.h"
#include "screens/EditProps.h"
#include "screens/Properties.h"
#include "screens/VelkariViewController.h"
#include "support/ActiveWindow.h"
#include "support/AppHarness.h"
#include "support/MockClock.h"

#include <QAbstractAnimation>
#include <QAbstractButton>
#include <QAccessible>
#include <QImage>
#include <QInputMethodEvent>
#include <QMessageBox>
#include <QPointingDevice>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QTimeZone>

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

// A finger's drag: press, moves in small steps 8 ms apart, release; the
// list reads the speed from the events' own times.
void drag(QWidget *widget, QPoint from, int dy)
{
    static ulong time = 1000000;
    const auto send = [widget, &from](QEvent::Type type, int y, Qt::MouseButton button,
                                      Qt::MouseButtons buttons) {
        const QPoint at = from + QPoint(0, y);
        QMouseEvent event(type, at, widget->mapToGlobal(at), button, buttons, Qt::NoModifier);
        event.setTimestamp(time += 8);
        QApplication::sendEvent(widget, &event);
    };
    send(QEvent::MouseButtonPress, 0, Qt::LeftButton, Qt::LeftButton);
    const int steps = 10;
    for (int i = 1; i <= steps; ++i)
        send(QEvent::MouseMove, dy * i / steps, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, dy, Qt::LeftButton, Qt::NoButton);
    time += 1000; // the next drag is another gesture
}

// A touch screen's finger, as the compositor reports it: Qt turns the
// touches the widgets leave alone into the mouse events they read.
QPointingDevice *touchScreen()
{
    static QPointingDevice *device = QTest::createTouchDevice();
    return device;
}

void touchTap(QWidget *widget)
{
    QWidget *window = widget->window();
    const QPoint at = widget->mapTo(window, widget->rect().center());
    QTest::touchEvent(window, touchScreen()).press(0, at, window);
    QTest::touchEvent(window, touchScreen()).release(0, at, window);
}

void touchDrag(QWidget *widget, int dy)
{
    QWidget *window = widget->window();
    const QPoint from = widget->mapTo(window, widget->rect().center());
    QTest::touchEvent(window, touchScreen()).press(0, from, window);
    const int steps = 12;
    for (int i = 1; i <= steps; ++i)
        QTest::touchEvent(window, touchScreen()).move(0, from + QPoint(0, dy * i / steps), window);
    QTest::touchEvent(window, touchScreen()).release(0, from + QPoint(0, dy), window);
}

using Part = platform::DatePicker::Part;

Part partNamed(const QString &name)
{
    return name == u"day"_s ? Part::Day : name == u"hour"_s ? Part::Hour : Part::Minute;
}

// Every target a finger can press on the screen, and where it is drawn.
QList<QWidget *> targetsOn(QWidget *view)
{
    QList<QWidget *> targets;
    for (QAbstractButton *button : view->findChildren<QAbstractButton *>()) {
        if (button->isVisibleTo(view))
            targets.append(button);
    }
    for (auto *picker : view->findChildren<platform::DatePicker *>()) {
        for (Part part : {Part::Day, Part::Hour, Part::Minute})
            targets.append(picker->partControl(part));
    }
    return targets;
}

QString whereDrawn(QWidget *widget)
{
    const QRect drawn(widget->mapTo(widget->window(), QPoint()), widget->size());
    return u"%1 %2,%3 %4x%5"_s
        .arg(widget->objectName().isEmpty() ? widget->accessibleName() : widget->objectName())
        .arg(drawn.x())
        .arg(drawn.y())
        .arg(drawn.width())
        .arg(drawn.height());
}

// Fingertip-sized, fully inside the window, and no two on top of each other.
void checkTargets(const QList<QWidget *> &targets)
{
    QList<QRect> seen;
    for (QWidget *target : targets) {
        QWidget *window = target->window();
        const QRect drawn(target->mapTo(window, QPoint()), target->size());
        QVERIFY2(drawn.width() >= 44 && drawn.height() >= 44, qPrintable(whereDrawn(target)));
        QVERIFY2(window->rect().contains(drawn), qPrintable(whereDrawn(target)));
        for (const QRect &other : std::as_const(seen))
            QVERIFY2(!other.intersects(drawn), qPrintable(whereDrawn(target)));
        seen.append(drawn);
    }
}

QAccessibleInterface *findByName(QAccessibleInterface *node, const QString &name)
{
    if (!node)
        return nullptr;
    if (node->text(QAccessible::Name) == name && !node->state().invisible)
        return node;
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface *found = findByName(node->child(i), name))
            return found;
    }
    return nullptr;
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
    void dateJourneys_data();
    void dateJourneys();
    void touchTargetsAsDrawn();
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
    const auto *glide =
        table->findChild<QAbstractAnimation *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY2(glide, "the list glides with an animation of its own");
    QTRY_VERIFY(table->verticalScrollBar()->value() > released);
    QTRY_COMPARE(glide->state(), QAbstractAnimation::Stopped);
    QVERIFY(!run.delegate->viewController()->presentedViewController()); // a drag opens nothing

    // A tap, without moving, still opens the row under it.
    const int top = table->verticalScrollBar()->value();
    QTest::mouseClick(table, Qt::LeftButton, {}, {40, table->rowHeight() / 2});
    auto *form = qobject_cast<EditProps *>(frontOf(run));
    QVERIFY(form);
    QCOMPARE(form->mIndex, (top + table->rowHeight() / 2) / table->rowHeight());
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
        focused = form->crDate->partControl(platform::DatePicker::Part::Minute);
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
    // The moment: the whole of it, and each part with its name and value.
    const QString moment = form->crDate->spokenValue();
    QVERIFY2(moment.contains(form->crDate->partText(Part::Hour) + u':' +
                             form->crDate->partText(Part::Minute)),
             qPrintable(moment));
    QCOMPARE(QAccessible::queryAccessibleInterface(form->crDate)->text(QAccessible::Description),
             moment);
    const QStringList partNames{u"Day"_s, u"Hour"_s, u"Minute"_s};
    for (Part part : {Part::Day, Part::Hour, Part::Minute}) {
        QAccessibleInterface *control =
            QAccessible::queryAccessibleInterface(form->crDate->partControl(part));
        QCOMPARE(control->role(), QAccessible::SpinBox);
        QCOMPARE(control->text(QAccessible::Name), partNames.at(int(part)));
        QCOMPARE(control->text(QAccessible::Value), form->crDate->partText(part));
        QCOMPARE(control->text(QAccessible::Description), moment);
        QCOMPARE(control->valueInterface()->currentValue().toInt(), form->crDate->partValue(part));
    }
    // A reader's "increase" is a step, like a finger's.
    QAccessibleInterface *hour =
        QAccessible::queryAccessibleInterface(form->crDate->partControl(Part::Hour));
    const QDateTime before = form->crDate->date();
    hour->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    QCOMPARE(form->crDate->partValue(Part::Hour),
             before.toLocalTime().time().hour() == 23 ? 0 : before.toLocalTime().time().hour() + 1);
    // Walking the window finds the open calendar, its month arrows named and
    // each day named by its date.
    form->crDate->showCalendar();
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(form->view()->window());
    const QDate day = form->crDate->shownDay();
    QVERIFY(findByName(window, QLocale().toString(day, QLocale::LongFormat)));
    QVERIFY(findByName(window, u"Previous month"_s));
    QVERIFY(findByName(window, u"Next month"_s));

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

void TestTouchKeyboard::dateJourneys_data()
{
    // The form, the stored moment the edit form opens with (local time), what
    // a finger or a keyboard does, and the moment shown and saved after it.
    // The clock stands at 10:11:12 on 7 December 2026 (UTC), the device's
    // zone is whatever the machine's is: the local day and hour follow it.
    QTest::addColumn<QString>("form");
    QTest::addColumn<QDateTime>("stored");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QDateTime>("expected");

    const QDate today =
        QDateTime(QDate(2026, 12, 7), QTime(10, 11, 12), platform::utc()).toLocalTime().date();
    const QDate tomorrow = today.addDays(1);
    const auto at = [](QDate day, int hour, int minute) {
        return QDateTime(day, QTime(hour, minute));
    };
    QTest::newRow("09:05 tomorrow by touch only")
        << u"new"_s << QDateTime()
        << QStringList{u"tap day"_s, u"tap calendar "_s + tomorrow.toString(Qt::ISODate),
                       u"touch hour 9"_s, u"touch minute 5"_s}
        << at(tomorrow, 9, 5);
    QTest::newRow("09:05 tomorrow, a finger turning the parts")
        << u"new"_s << QDateTime()
        << QStringList{u"tap dayUp"_s, u"spin hour 9"_s, u"spin minute 5"_s} << at(tomorrow, 9, 5);
    QTest::newRow("2359 typed into the time")
        << u"new"_s << QDateTime() << QStringList{u"tap hour"_s, u"type 2359"_s}
        << at(today, 23, 59);
    QTest::newRow("the phone's keyboard types 5 then 9 into the minutes")
        << u"edit"_s << at(QDate(2027, 3, 14), 8, 30)
        << QStringList{u"tap minute"_s, u"compose 5"_s, u"compose 9"_s}
        << at(QDate(2027, 3, 14), 8, 59);
    QTest::newRow("a day typed into the date, then the time")
        << u"edit"_s << at(QDate(2027, 2, 10), 8, 30)
        << QStringList{u"key day Right"_s, u"key hour Left"_s, u"type 280715"_s}
        << at(QDate(2027, 2, 28), 7, 15);
    QTest::newRow("Up on the minute over midnight")
        << u"edit"_s << at(QDate(2026, 12, 20), 23, 59) << QStringList{u"key minute Up"_s}
        << at(QDate(2026, 12, 21), 0, 0);
    QTest::newRow("the wheel on the hour over midnight")
        << u"edit"_s << at(QDate(2026, 12, 20), 23, 30) << QStringList{u"wheel hour 2"_s}
        << at(QDate(2026, 12, 21), 1, 30);
    QTest::newRow("a tap on the minute's + over the hour")
        << u"edit"_s << at(QDate(2026, 12, 20), 14, 59) << QStringList{u"tap minuteUp"_s}
        << at(QDate(2026, 12, 20), 15, 0);
    // Berlin's clocks go from 02:00 to 03:00 on 28 March 2027: an hour on
    // from 01:30 is 03:30.
    QTest::newRow("Up on the hour over the clocks going forward in Berlin")
        << u"edit"_s << at(QDate(2027, 3, 28), 1, 30) << QStringList{u"key hour Up"_s}
        << at(QDate(2027, 3, 28), 3, 30);
    QTest::newRow("Up on the day over a month's end")
        << u"edit"_s << at(QDate(2026, 12, 31), 10, 0) << QStringList{u"key day Up"_s}
        << at(QDate(2027, 1, 1), 10, 0);
    QTest::newRow("Down on the minute back over a year's end")
        << u"edit"_s << at(QDate(2027, 1, 1), 0, 0) << QStringList{u"key minute Down"_s}
        << at(QDate(2026, 12, 31), 23, 59);
    QTest::newRow("a day's + over a short month's end")
        << u"edit"_s << at(QDate(2027, 2, 28), 12, 0) << QStringList{u"tap dayUp"_s}
        << at(QDate(2027, 3, 1), 12, 0);
    QTest::newRow("next month in the calendar by touch")
        << u"edit"_s << at(QDate(2026, 12, 30), 18, 45)
        << QStringList{u"tap day"_s, u"tap nextMonth"_s, u"tap calendar 2027-01-03"_s}
        << at(QDate(2027, 1, 3), 18, 45);
    QTest::newRow("the calendar by keys: a week on, Enter")
        << u"edit"_s << at(QDate(2026, 12, 28), 18, 45)
        << QStringList{u"key day Space"_s, u"key calendar Down"_s, u"key calendar Return"_s}
        << at(QDate(2027, 1, 4), 18, 45);
    QTest::newRow("Escape leaves the calendar and keeps the day")
        << u"edit"_s << at(QDate(2026, 12, 28), 18, 45)
        << QStringList{u"tap day"_s, u"key calendar Right"_s, u"key calendar Escape"_s,
                       u"key minute Up"_s}
        << at(QDate(2026, 12, 28), 18, 46);
}

void TestTouchKeyboard::dateJourneys()
{
    QFETCH(QString, form);
    QFETCH(QDateTime, stored);
    QFETCH(QStringList, steps);
    QFETCH(QDateTime, expected);

    if (QByteArray(QTest::currentDataTag()).contains("Berlin") &&
        QTimeZone::systemTimeZoneId() != "Europe/Berlin")
        QSKIP("the device's zone is not Europe/Berlin (ctest sets TZ)");
    MockClock clock;
    QVariantList records;
    if (stored.isValid())
        records.append(QVariant(QVariantList{u"ID0"_s, u"Anna"_s, u"555 0100"_s, stored.toUTC(),
                                             u"Hello"_s, u"0"_s, u"0"_s}));
    AppHarness run(records);
    QVERIFY(run.activate());
    VelkariViewController *list = run.delegate->viewController();
    ScheduleForm *shown = nullptr;
    if (form == u"new"_s) {
        touchTap(list->view()->findChild<QAbstractButton *>(u"btnAdd"_s));
        shown = qobject_cast<Properties *>(frontOf(run));
    } else {
        shown = openEditForm(run, 0);
    }
    QVERIFY(shown);
    platform::DatePicker *picker = shown->crDate;

    for (const QString &step : steps) {
        const QStringList words = step.split(u' ');
        const QString &verb = words.at(0);
        const QString &what = words.at(1);
        QWidget *focused = QApplication::focusWidget();
        if (verb == u"tap"_s && what == u"calendar"_s) {
            QVERIFY2(picker->calendar(), qPrintable(step));
            QAbstractButton *day =
                picker->calendar()->dayButton(QDate::fromString(words.at(2), Qt::ISODate));
            QVERIFY2(day, qPrintable(step));
            touchTap(day);
        } else if (verb == u"tap"_s && what == u"nextMonth"_s) {
            QVERIFY2(picker->calendar(), qPrintable(step));
            touchTap(picker->calendar()->nextMonthButton());
        } else if (verb == u"tap"_s) {
            QWidget *target = picker->findChild<QWidget *>(what);
            QVERIFY2(target, qPrintable(step));
            touchTap(target);
        } else if (verb == u"touch"_s) {
            // Taps on "-" or "+" until the part shows the number.
            const Part part = partNamed(what);
            const int goal = words.at(2).toInt();
            for (int taps = 0; picker->partValue(part) != goal; ++taps) {
                QVERIFY2(taps < 60, qPrintable(step));
                touchTap(picker->stepper(part, picker->partValue(part) < goal));
            }
        } else if (verb == u"spin"_s) {
            // Drags on the part, like a wheel, until it shows the number.
            const Part part = partNamed(what);
            const int goal = words.at(2).toInt();
            for (int drags = 0; picker->partValue(part) != goal; ++drags) {
                QVERIFY2(drags < 20, qPrintable(step));
                const int off = goal - picker->partValue(part);
                touchDrag(picker->partControl(part), -24 * qBound(-5, off, 5));
            }
        } else if (verb == u"type"_s) {
            for (const QChar digit : what)
                QTest::keyClick(QApplication::focusWidget(), digit.toLatin1());
        } else if (verb == u"compose"_s) {
            QInputMethodEvent typed;
            typed.setCommitString(what);
            QApplication::sendEvent(QApplication::focusWidget(), &typed);
        } else if (verb == u"wheel"_s) {
            QWidget *target = picker->partControl(partNamed(what));
            const QPoint middle = target->rect().center();
            for (int i = 0; i < words.at(2).toInt(); ++i) {
                QWheelEvent wheel(middle, target->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(target, &wheel);
            }
        } else if (verb == u"key"_s) {
            if (what == u"calendar"_s) {
                QVERIFY2(picker->calendar() && picker->calendar()->isAncestorOf(focused),
                         qPrintable(step));
            } else {
                focused = picker->partControl(partNamed(what));
                focused->setFocus(Qt::TabFocusReason);
            }
            const QKeySequence key = QKeySequence::fromString(words.at(2));
            QTest::keyClick(focused, Qt::Key(key[0].key()));
        } else {
            QFAIL(qPrintable(u"unknown step "_s + step));
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!picker->calendar());

    // What the form shows is what the journey meant.
    QCOMPARE(picker->partText(Part::Day), QLocale().toString(expected.date(), u"ddd d MMM yyyy"_s));
    QCOMPARE(picker->partText(Part::Hour), expected.time().toString(u"HH"_s));
    QCOMPARE(picker->partText(Part::Minute), expected.time().toString(u"mm"_s));

    // Saved by touch, as it was shown, and the reminder fires then.
    touchTap(shown->view()->findChild<QAbstractButton *>(u"btnSave"_s));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(AlertView::visibleAlerts().isEmpty(),
             qPrintable(AlertView::visibleAlerts().value(0)
                            ? AlertView::visibleAlerts().first()->message()
                            : QString()));
    QCOMPARE(frontOf(run), list);
    const platform::Result<QVariantList> file =
        platform::PropertyList::readArrayFile(run.env().dataFile());
    QVERIFY(file && file->size() == 1);
    QCOMPARE(file->first().toList().at(3).toDateTime(), expected.toUTC());
    const QString id = file->first().toList().at(0).toString();
    const QList<platform::Reminder> reminders = run.app->scheduledLocalNotifications();
    QCOMPARE(reminders.size(), 1);
    QCOMPARE(reminders.first().userInfo.value(u"ID"_s).toString(), id);
    QCOMPARE(reminders.first().fireDate, expected.toUTC());
}

void TestTouchKeyboard::touchTargetsAsDrawn()
{
    // Run at scale 1 and again under QT_SCALE_FACTOR=2: the sizes are the
    // ones drawn in a phone's 360x720 window, in its own pixels.
    MockClock clock;
    AppHarness run(schedules(1));
    QVERIFY(run.activate());
    QWidget *window = run.delegate->window();
    window->resize(360, 720);
    QTRY_COMPARE(window->size(), QSize(360, 720));
    QCOMPARE(window->devicePixelRatioF(),
             qEnvironmentVariable("QT_SCALE_FACTOR", u"1"_s).toDouble());

    for (const bool edit : {false, true}) {
        // In front again after the alert of the round before.
        makeActiveWindow(window);
        QTRY_VERIFY(window->isActiveWindow());
        ScheduleForm *form = nullptr;
        if (edit) {
            form = openEditForm(run, 0);
        } else {
            run.delegate->viewController()->btnAdd();
            form = qobject_cast<Properties *>(frontOf(run));
        }
        QVERIFY(form);
        QCoreApplication::processEvents();
        checkTargets(targetsOn(form->view()));
        if (QTest::currentTestFailed())
            return;

        // The calendar lies inside the window, every day a fingertip's size.
        touchTap(form->crDate->partControl(Part::Day));
        platform::CalendarSheet *calendar = form->crDate->calendar();
        QVERIFY(calendar && calendar->isVisible());
        QVERIFY(window->rect().contains(calendar->geometry()));
        QList<QWidget *> days;
        for (QAbstractButton *button : calendar->buttons())
            days.append(button);
        QVERIFY(days.size() >= 2 + 28 + 1);
        checkTargets(days);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(calendar->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!form->crDate->calendar());

        // An alert's buttons are a fingertip's height too, and Enter and
        // Escape still answer it.
        if (edit) {
            form->crDate->setDate(platform::Clock::now().addSecs(600));
            static_cast<EditProps *>(form)->btnDelete();
        } else {
            form->crDate->setDate(platform::Clock::now().addSecs(-600));
            static_cast<Properties *>(form)->btnSave();
        }
        QTRY_VERIFY(!AlertView::visibleAlerts().isEmpty() &&
                    AlertView::visibleAlerts().first()->dialog() &&
                    AlertView::visibleAlerts().first()->dialog()->isVisible());
        QMessageBox *box = AlertView::visibleAlerts().first()->dialog();
        for (QAbstractButton *button : box->buttons()) {
            QVERIFY2(button->height() >= 44 && button->width() >= 44,
                     qPrintable(whereDrawn(button)));
        }
        QVERIFY(box->width() <= 360);
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box,
                        edit ? Qt::Key_Escape : Qt::Key_Return);
        QVERIFY(AlertView::visibleAlerts().isEmpty());
        QCOMPARE(frontOf(run), form); // "No" and "Ok" keep the form open
        form->btnCancel();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

QTEST_MAIN(TestTouchKeyboard)
#include "tst_touchkeyboard.moc"
