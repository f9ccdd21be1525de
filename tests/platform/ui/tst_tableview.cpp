// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"

#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::IndexPath;
using platform::TableView;
using platform::TableViewCell;

namespace {

// Rows of text; counts the cells it had to make.
class Rows : public platform::TableViewDataSource, public platform::TableViewDelegate {
public:
    int rows = 0;
    QString reuseIdentifier = u"row"_s;
    int made = 0;
    QList<int> selected;

    int numberOfRowsInSection(TableView &, int) override { return rows; }

    TableViewCell *cellForRowAtIndexPath(TableView &table, const IndexPath &path) override
    {
        TableViewCell *cell = table.dequeueReusableCellWithIdentifier(reuseIdentifier);
        if (!cell) {
            cell = new TableViewCell;
            cell->setReuseIdentifier(reuseIdentifier);
            cell->resize(200, 40);
            new QLabel(cell);
            ++made;
        }
        cell->findChild<QLabel *>()->setText(u"row %1"_s.arg(path.row));
        return cell;
    }

    void didSelectRowAtIndexPath(TableView &, const IndexPath &path) override
    {
        selected.append(path.row);
    }
};

QString textOf(TableViewCell *cell)
{
    return cell ? cell->findChild<QLabel *>()->text() : QString();
}

} // namespace

class TestTableView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fillsOnlyTheRowsInSight();
    void reloadAsksAgainOnTheNextTurn();
    void cellsWithoutIdentifierAreNotRecycled();
    void tapsAndKeysSelectRows();
    void findsTheRowOfACell();
    void rowsAreDrawn();
    void longTextIsMeasuredOnlyAsFarAsItShows_data();
    void longTextIsMeasuredOnlyAsFarAsItShows();
};

void TestTableView::fillsOnlyTheRowsInSight()
{
    Rows rows;
    rows.rows = 100000;
    TableView table;
    table.setDataSource(&rows);
    table.resize(200, 400);
    table.show();
    table.reloadData();
    table.layoutIfNeeded();
    QCOMPARE(table.rowHeight(), 40);
    QCOMPARE(table.visibleCells().size(), 10);
    QCOMPARE(rows.made, 10);

    QScrollBar *bar = table.verticalScrollBar();
    QCOMPARE(bar->maximum(), 100000 * 40 - 400);
    bar->setValue(bar->maximum());
    QCOMPARE(textOf(table.cellForRowAtIndexPath(IndexPath::forRow(99999))), u"row 99999"_s);
    QVERIFY(!table.cellForRowAtIndexPath(IndexPath::forRow(0)));
    bar->setValue(20); // half a row down: eleven rows show
    QCOMPARE(table.visibleCells().size(), 11);
    QCOMPARE(textOf(table.cellForRowAtIndexPath(IndexPath::forRow(10))), u"row 10"_s);
    QCOMPARE(rows.made, 11);
}

void TestTableView::reloadAsksAgainOnTheNextTurn()
{
    Rows rows;
    rows.rows = 3;
    TableView table;
    table.setDataSource(&rows);
    table.resize(200, 400);
    table.reloadData();
    QCoreApplication::processEvents();
    QCOMPARE(table.numberOfRows(), 3);
    QVERIFY(table.cellForRowAtIndexPath(IndexPath::forRow(2)));

    rows.rows = 1;
    table.reloadData();
    QCOMPARE(table.numberOfRows(), 1); // the count at once
    QCoreApplication::processEvents(); // the rows on the next turn
    QCOMPARE(table.visibleCells().size(), 1);
    QCOMPARE(textOf(table.visibleCells().first()), u"row 0"_s);
    QCOMPARE(rows.made, 3); // refilled from the rows it had

    rows.rows = 0;
    table.reloadData();
    QVERIFY(table.visibleCells().isEmpty());
}

void TestTableView::cellsWithoutIdentifierAreNotRecycled()
{
    Rows rows;
    rows.rows = 50;
    rows.reuseIdentifier.clear();
    TableView table;
    table.setDataSource(&rows);
    table.resize(200, 200);
    table.reloadData();
    table.layoutIfNeeded();
    table.verticalScrollBar()->setValue(400);
    QCOMPARE(textOf(table.visibleCells().first()), u"row 10"_s);
    QCOMPARE(rows.made, 10);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(table.findChildren<TableViewCell *>().size(), 5);
}

void TestTableView::tapsAndKeysSelectRows()
{
    Rows rows;
    rows.rows = 20;
    TableView table;
    table.setDataSource(&rows);
    table.setDelegate(&rows);
    table.resize(200, 400);
    table.show();
    table.reloadData();
    table.layoutIfNeeded();

    // A tap on the third row, over its label.
    QTest::mouseClick(&table, Qt::LeftButton, {}, QPoint(50, 2 * 40 + 20));
    QCOMPARE(rows.selected, QList<int>{2});
    QCOMPARE(table.indexPathForSelectedRow()->row, 2);
    QVERIFY(table.cellForRowAtIndexPath(IndexPath::forRow(2))->isSelected());

    QTest::keyClick(&table, Qt::Key_Down);
    QTest::keyClick(&table, Qt::Key_Return);
    QCOMPARE(rows.selected, (QList<int>{2, 3}));
    QTest::keyClick(&table, Qt::Key_End);
    QTest::keyClick(&table, Qt::Key_Space);
    QCOMPARE(rows.selected.last(), 19);
    QVERIFY(table.cellForRowAtIndexPath(IndexPath::forRow(19))); // scrolled into sight
}

void TestTableView::findsTheRowOfACell()
{
    Rows rows;
    rows.rows = 5;
    TableView table;
    table.setDataSource(&rows);
    table.resize(200, 400);
    table.reloadData();
    TableViewCell *cell = table.cellForRowAtIndexPath(IndexPath::forRow(4));
    QCOMPARE(table.indexPathForCell(cell), std::optional(IndexPath::forRow(4)));
    QCOMPARE(cell->parentWidget(), &table);
    QLabel stranger;
    QCOMPARE(table.indexPathForCell(&stranger), std::nullopt);
}

void TestTableView::rowsAreDrawn()
{
    struct DefaultRows : platform::TableViewDataSource {
        int numberOfRowsInSection(TableView &, int) override { return 3; }
        TableViewCell *cellForRowAtIndexPath(TableView &table, const IndexPath &path) override
        {
            TableViewCell *cell = table.dequeueReusableCellWithIdentifier(u"plain"_s);
            if (!cell)
                cell = new TableViewCell(u"plain"_s);
            cell->textLabel()->setText(u"Row number %1"_s.arg(path.row));
            return cell;
        }
    } rows;
    QWidget host;
    host.resize(300, 300);
    auto *table = new TableView(&host);
    table->setDataSource(&rows);
    table->resize(300, 300);
    table->reloadData();
    host.show();
    QCoreApplication::processEvents();
    // Some ink in the first row, none below the last.
    const QImage image = host.grab().toImage();
    const QColor background = image.pixelColor(image.width() - 2, image.height() - 2);
    int inked = 0;
    for (int x = 0; x < 150; ++x) {
        for (int y = 5; y < 40; ++y)
            inked += image.pixelColor(x, y) != background;
    }
    QVERIFY2(inked > 50, qPrintable(QString::number(inked)));
}

void TestTableView::longTextIsMeasuredOnlyAsFarAsItShows_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("short") << u"Hi there"_s;
    QTest::newRow("8 MB") << QString(8 * 1024 * 1024, u'x');
    QTest::newRow("split character") << QString(platform::Label::MaximumShownLength - 1, u'a') +
                                            QString::fromUtf8("\xF0\x9F\x98\x80") + u"tail"_s;
}

// A row's size comes from what it can show, not from the whole text.
void TestTableView::longTextIsMeasuredOnlyAsFarAsItShows()
{
    QFETCH(QString, text);
    platform::Label label;
    label.setText(text);
    QCOMPARE(label.text(), text); // the whole text stays for tool tip and screen readers
    const QString shown = label.shownText();
    QVERIFY(shown.size() <= platform::Label::MaximumShownLength);
    QVERIFY(text.startsWith(shown));
    QVERIFY(shown.isEmpty() || !shown.back().isHighSurrogate());
    platform::Label prefix;
    prefix.setText(shown);
    QCOMPARE(label.sizeHint(), prefix.sizeHint());
    label.resize(200, label.sizeHint().height());
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    label.repaint();
}

QTEST_MAIN(TestTableView)
#include "tst_tableview.moc"
