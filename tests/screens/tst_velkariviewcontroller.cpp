// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/TimeZones.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Window.h"
#include "screens/About.h"
#include "screens/TableCellView.h"
#include "screens/VelkariViewController.h"
#include "support/AppHarness.h"
#include "support/MockClock.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace velkari;

namespace {

QVariantList record(const QString &name, const QDateTime &date, const QString &status,
                    const std::optional<QString> &repeat, const QString &text = u"Hi"_s)
{
    QVariantList r{u"ID-"_s + name, name, u"555 0100"_s, date, text, status};
    if (repeat)
        r.append(*repeat);
    return r;
}

TableCellView *rowCell(AppHarness &run, int row)
{
    return static_cast<TableCellView *>(
        run.delegate->viewController()->mTableView()->cellForRowAtIndexPath(
            platform::IndexPath::forRow(row)));
}

} // namespace

class TestVelkariViewController : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void statusImageFollowsStatusAndMoment_data();
    void statusImageFollowsStatusAndMoment();
    void repeatLabelFallsBackToNone_data();
    void repeatLabelFallsBackToNone();
    void datesReadInTheDevicesZone_data();
    void datesReadInTheDevicesZone();
    void rowShowsItsRecordAndLogsTwoLines();
    void recycledRowShowsOnlyItsNewSchedule();
    void rowsOfEmptyAndAbsentStores();
    void aboutOpensAndClosesWithoutTouchingTheStore();
    void tenThousandRowsMakeAScreenfulOfWidgets();
};

void TestVelkariViewController::statusImageFollowsStatusAndMoment_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("secondsFromNow");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QString>("image");

    QTest::newRow("unsent, a minute past") << u"0"_s << -60 << u"0"_s << u"missed"_s;
    QTest::newRow("unsent, exactly now") << u"0"_s << 0 << u"0"_s << u"pending"_s;
    QTest::newRow("unsent, a minute ahead") << u"0"_s << 60 << u"0"_s << u"pending"_s;
    QTest::newRow("unsent and repeating, past") << u"0"_s << -60 << u"2"_s << u"missed"_s;
    QTest::newRow("sent, past") << u"1"_s << -60 << u"0"_s << u"OK2"_s;
    QTest::newRow("sent, ahead") << u"1"_s << 60 << u"3"_s << u"OK2"_s;
    QTest::newRow("status 2, past") << u"2"_s << -60 << u"0"_s << u"pending"_s;
    QTest::newRow("status 2, ahead") << u"2"_s << 60 << u"0"_s << u"pending"_s;
    QTest::newRow("letters read as unsent, past") << u"sent"_s << -60 << u"0"_s << u"missed"_s;
    QTest::newRow("letters read as unsent, ahead") << u"sent"_s << 60 << u"0"_s << u"pending"_s;
}

void TestVelkariViewController::statusImageFollowsStatusAndMoment()
{
    QFETCH(QString, status);
    QFETCH(int, secondsFromNow);
    QFETCH(QString, repeat);
    QFETCH(QString, image);

    MockClock clock;
    const QDateTime now = platform::Clock::now();
    AppHarness run(QVariantList{record(u"Anna"_s, now.addSecs(secondsFromNow), status, repeat)});
    TableCellView *cell = rowCell(run, 0);
    QVERIFY(cell);
    QCOMPARE(cell->crStatus->image().name(), image);
    QVERIFY(!cell->crStatus->image().isNull());
    QVERIFY2(!cell->crStatus->image().isBroken(), "Qt cannot draw the status image");
    QVERIFY(!cell->crStatus->accessibleName().isEmpty());
}

void TestVelkariViewController::repeatLabelFallsBackToNone_data()
{
    QTest::addColumn<std::optional<QString>>("repeat");
    QTest::addColumn<QString>("label");

    QTest::newRow("0") << std::optional(u"0"_s) << u"None"_s;
    QTest::newRow("3") << std::optional(u"3"_s) << u"Every Week"_s;
    QTest::newRow("4, spelled as the product spells it")
        << std::optional(u"4"_s) << u"Eevery Month"_s;
    QTest::newRow("5") << std::optional(u"5"_s) << u"Every Year"_s;
    QTest::newRow("6") << std::optional(u"6"_s) << u"None"_s;
    QTest::newRow("-1") << std::optional(u"-1"_s) << u"None"_s;
    QTest::newRow("letters") << std::optional(u"weekly"_s) << u"None"_s;
    QTest::newRow("missing") << std::optional<QString>() << u"None"_s;
}

void TestVelkariViewController::repeatLabelFallsBackToNone()
{
    QFETCH(std::optional<QString>, repeat);
    QFETCH(QString, label);

    MockClock clock;
    const QVariantList stored{record(u"Anna"_s, platform::Clock::now(), u"0"_s, repeat)};
    AppHarness run(stored);
    QCOMPARE(rowCell(run, 0)->crRepeatMode->text(), label);
    // Showing it changes nothing in the record.
    QCOMPARE(run.delegate->mList()->at(0).toList(), stored.first().toList());
}

void TestVelkariViewController::datesReadInTheDevicesZone_data()
{
    QTest::addColumn<QDateTime>("utc");
    QTest::addColumn<QString>("shown");

    // The tests run in Asia/Kolkata, five and a half hours ahead of UTC.
    QTest::newRow("day without a leading zero")
        << QDateTime(QDate(2011, 3, 5), QTime(3, 37), platform::utc()) << u"2011/03/5 - 09:07"_s;
    QTest::newRow("24-hour clock") << QDateTime(QDate(2011, 12, 15), QTime(16, 10), platform::utc())
                                   << u"2011/12/15 - 21:40"_s;
    QTest::newRow("the zone moves the day")
        << QDateTime(QDate(2011, 12, 31), QTime(20, 0), platform::utc()) << u"2012/01/1 - 01:30"_s;
    QTest::newRow("midnight") << QDateTime(QDate(2026, 6, 9), QTime(18, 30), platform::utc())
                              << u"2026/06/10 - 00:00"_s;
    QTest::newRow("no date") << QDateTime() << QString();
}

void TestVelkariViewController::datesReadInTheDevicesZone()
{
    QFETCH(QDateTime, utc);
    QFETCH(QString, shown);
    QCOMPARE(VelkariViewController::Date2String(utc), shown);
}

void TestVelkariViewController::rowShowsItsRecordAndLogsTwoLines()
{
    MockClock clock;
    const QDateTime date(QDate(2026, 12, 24), QTime(12, 0), platform::utc());
    AppHarness run(
        QVariantList{record(u"Anna Berg"_s, date, u"1"_s, u"2"_s, u"Merry Christmas"_s)});
    const QString logPath = run.env().documents() + u"/2026-12-07 10:11:12 +0000.log"_s;
    const qsizetype before = readFile(logPath).size();

    TableCellView *cell = rowCell(run, 0);
    QCOMPARE(cell->lblName->text(), u"Anna Berg"_s);
    QCOMPARE(cell->lblNumber->text(), u"555 0100"_s);
    QCOMPARE(cell->crDate->text(), u"2026/12/24 - 17:30"_s);
    QCOMPARE(cell->crTxt->text(), u"Merry Christmas"_s);
    QCOMPARE(cell->crRepeatMode->text(), u"Every Day"_s);
    QCOMPARE(cell->reuseIdentifier(), u"tblCellView"_s);
    QVERIFY(cell->accessibleName().startsWith(u"Anna Berg, 2026/12/24 - 17:30, "_s));

    const QStringList lines =
        QString::fromUtf8(readFile(logPath).mid(before)).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].endsWith(u"] 2026/12/24 - 17:30"_s));
    QVERIFY(lines[1].endsWith(u"] status=1"_s));
}

void TestVelkariViewController::recycledRowShowsOnlyItsNewSchedule()
{
    MockClock clock;
    const QDateTime now = platform::Clock::now();
    QVariantList records;
    // A missed one first, then many sent ones of another look.
    records.append(QVariant(record(u"Missed Person"_s, now.addSecs(-60), u"0"_s, u"2"_s)));
    for (int i = 1; i < 200; ++i)
        records.append(QVariant(record(u"Sent %1"_s.arg(i), now.addSecs(i * 60), u"1"_s,
                                       std::nullopt, u"text %1"_s.arg(i))));
    AppHarness run(records);
    platform::TableView *table = run.delegate->viewController()->mTableView();
    TableCellView *first = rowCell(run, 0);
    QCOMPARE(first->crStatus->image().name(), u"missed"_s);

    table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
    const platform::IndexPath last = platform::IndexPath::forRow(199);
    auto *reused = static_cast<TableCellView *>(table->cellForRowAtIndexPath(last));
    QVERIFY(reused);
    const QList<platform::TableViewCell *> visible = table->visibleCells();
    QVERIFY(visible.contains(first)); // the missed row's widget now shows another row
    for (platform::TableViewCell *cell : visible) {
        auto *row = static_cast<TableCellView *>(cell);
        const int index = table->indexPathForCell(row)->row;
        QCOMPARE(row->lblName->text(), u"Sent %1"_s.arg(index));
        QCOMPARE(row->crTxt->text(), u"text %1"_s.arg(index));
        QCOMPARE(row->crStatus->image().name(), u"OK2"_s);
        QCOMPARE(row->crRepeatMode->text(), u"None"_s);
    }
}

void TestVelkariViewController::rowsOfEmptyAndAbsentStores()
{
    {
        AppHarness empty;
        QCOMPARE(empty.delegate->viewController()->mTableView()->numberOfRows(), 0);
        QVERIFY(empty.delegate->viewController()->mTableView()->visibleCells().isEmpty());
    }
    AppHarness absent;
    QVERIFY(writeFile(absent.env().dataFile(), "no property list"));
    absent.delegate->viewController()->LoadData();
    absent.delegate->viewController()->mTableView()->reloadData();
    QVERIFY(!absent.delegate->mList());
    QCOMPARE(absent.delegate->viewController()->mTableView()->numberOfRows(), 0);
}

void TestVelkariViewController::aboutOpensAndClosesWithoutTouchingTheStore()
{
    MockClock clock;
    const QVariantList stored{record(u"Anna"_s, platform::Clock::now(), u"0"_s, u"0"_s)};
    AppHarness run(stored);
    const QByteArray file = readFile(run.env().dataFile());
    VelkariViewController *list = run.delegate->viewController();

    list->btnAbout();
    auto *about = qobject_cast<About *>(list->presentedViewController());
    QVERIFY(about);
    QCOMPARE(about->modalTransitionStyle(), platform::ModalTransitionStyle::PartialCurl);
    QVERIFY(about->view()->isVisible());
    const QString shown = about->view()->findChild<QLabel *>(u"lblVersion"_s)->text();
    QVERIFY(shown.contains(QStringLiteral(VELKARI_VERSION)));

    const QPointer<About> gone(about);
    about->view()->findChild<QPushButton *>(u"btnBack"_s)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(gone.isNull());
    QVERIFY(!list->presentedViewController());
    QVERIFY(list->view()->isVisible());
    QCOMPARE(run.delegate->mList(), std::optional(stored));
    QCOMPARE(readFile(run.env().dataFile()), file);
}

void TestVelkariViewController::tenThousandRowsMakeAScreenfulOfWidgets()
{
    MockClock clock;
    QVariantList records;
    for (int i = 0; i < 10000; ++i)
        records.append(QVariant(record(u"P%1"_s.arg(i), platform::Clock::now(), u"0"_s, u"0"_s)));
    AppHarness run(records);
    platform::TableView *table = run.delegate->viewController()->mTableView();
    table->layoutIfNeeded();
    QScrollBar *bar = table->verticalScrollBar();
    const int onScreen = table->height() / table->rowHeight() + 2;
    for (int value = 0; value <= bar->maximum(); value += table->height() / 2)
        bar->setValue(value);
    bar->setValue(bar->maximum());
    QCOMPARE(static_cast<TableCellView *>(table->visibleCells().last())->lblName->text(),
             u"P9999"_s);
    const qsizetype made = table->findChildren<TableCellView *>().size();
    QVERIFY2(made <= onScreen + 1, qPrintable(u"%1 row widgets"_s.arg(made)));
}

QTEST_MAIN(TestVelkariViewController)
#include "tst_velkariviewcontroller.moc"
