// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/UpcomingCount.h"
#include "support/MockClock.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace velkari;

namespace {

QVariant record(qint64 secondsFromNow, const QString &status, const std::optional<QString> &repeat,
                const QDateTime &now)
{
    QVariantList r{u"ID"_s, u"Anna"_s, u"555"_s, now.addSecs(secondsFromNow), u"Hi"_s, status};
    if (repeat)
        r.append(*repeat);
    return r;
}

} // namespace

class TestUpcomingCount : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countsUpcomingSchedules_data();
    void countsUpcomingSchedules();
    void countsTheWholeList();
};

void TestUpcomingCount::countsUpcomingSchedules_data()
{
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<QString>("status");
    QTest::addColumn<std::optional<QString>>("repeat");
    QTest::addColumn<bool>("upcoming");

    constexpr qint64 day = 24 * 3600;
    const std::optional<QString> none;
    QTest::newRow("unsent, tomorrow") << day << u"0"_s << std::optional(u"0"_s) << true;
    QTest::newRow("unsent, yesterday") << -day << u"0"_s << std::optional(u"0"_s) << false;
    QTest::newRow("unsent, exactly now") << qint64(0) << u"0"_s << std::optional(u"0"_s) << false;
    QTest::newRow("unsent, one second ahead")
        << qint64(1) << u"0"_s << std::optional(u"0"_s) << true;
    QTest::newRow("sent and daily, long ago")
        << -100 * day << u"1"_s << std::optional(u"2"_s) << true;
    QTest::newRow("sent, not repeating") << day << u"1"_s << std::optional(u"0"_s) << false;
    QTest::newRow("six elements, next week") << 7 * day << u"0"_s << none << true;
    QTest::newRow("six elements, last week") << -7 * day << u"0"_s << none << false;
    QTest::newRow("repeat outside the table counts")
        << -day << u"1"_s << std::optional(u"9"_s) << true;
    QTest::newRow("negative repeat counts") << -day << u"1"_s << std::optional(u"-1"_s) << true;
    QTest::newRow("repeat letters read as 0") << -day << u"1"_s << std::optional(u"x"_s) << false;
    QTest::newRow("status letters read as unsent")
        << day << u"sent"_s << std::optional(u"0"_s) << true;
    QTest::newRow("status 2 is not unsent") << day << u"2"_s << std::optional(u"0"_s) << false;
}

void TestUpcomingCount::countsUpcomingSchedules()
{
    QFETCH(qint64, offset);
    QFETCH(QString, status);
    QFETCH(std::optional<QString>, repeat);
    QFETCH(bool, upcoming);

    MockClock clock;
    const QDateTime now = platform::Clock::now();
    QCOMPARE(isUpcoming(record(offset, status, repeat, now), now), upcoming);
    QCOMPARE(countUpcoming(QVariantList{record(offset, status, repeat, now)}), upcoming ? 1 : 0);
}

void TestUpcomingCount::countsTheWholeList()
{
    MockClock clock;
    const QDateTime now = platform::Clock::now();
    QCOMPARE(countUpcoming(std::nullopt), 0);
    QCOMPARE(countUpcoming(QVariantList()), 0);

    const QVariantList list{
        record(60, u"0"_s, u"0"_s, now),  // ahead
        record(-60, u"0"_s, u"0"_s, now), // missed
        record(-60, u"1"_s, u"5"_s, now), // yearly
        u"not a record"_s,                // damaged: never counts
        QVariantList{u"ID"_s},            // too short: never counts
        record(120, u"0"_s, u"1"_s, now), // hourly and ahead: counted once
    };
    QCOMPARE(countUpcoming(list), 3);

    clock.advance(90); // the first one passes
    QCOMPARE(countUpcoming(list), 2);
}

QTEST_GUILESS_MAIN(TestUpcomingCount)
#include "tst_upcomingcount.moc"
