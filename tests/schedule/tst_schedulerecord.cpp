// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/TimeZones.h"
#include "schedule/ScheduleRecord.h"

#include <QTest>

#include <limits>

using namespace Qt::Literals::StringLiterals;
using namespace velkari;

class TestScheduleRecord : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsIntegersLikeIntValue_data();
    void readsIntegersLikeIntValue();
    void readersTreatOddElementsAsAbsent_data();
    void readersTreatOddElementsAsAbsent();
};

void TestScheduleRecord::readsIntegersLikeIntValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");

    QTest::newRow("zero") << u"0"_s << 0;
    QTest::newRow("one") << u"1"_s << 1;
    QTest::newRow("empty") << u""_s << 0;
    QTest::newRow("letters only") << u"sent"_s << 0;
    QTest::newRow("digits then letters") << u"12abc"_s << 12;
    QTest::newRow("leading blanks") << u"  \t3"_s << 3;
    QTest::newRow("leading line break") << u"\n4"_s << 4;
    QTest::newRow("plus sign") << u"+5"_s << 5;
    QTest::newRow("minus sign") << u"-1"_s << -1;
    QTest::newRow("sign then blank") << u"- 1"_s << 0;
    QTest::newRow("two signs") << u"--1"_s << 0;
    QTest::newRow("decimal point stops") << u"2.9"_s << 2;
    QTest::newRow("blank inside stops") << u"1 2"_s << 1;
    QTest::newRow("leading zeros") << u"007"_s << 7;
    QTest::newRow("non-ASCII digits are no digits") << u"\u0663"_s << 0;
    QTest::newRow("fullwidth digit is no digit") << u"\uff11"_s << 0;
    QTest::newRow("too large saturates") << u"99999999999"_s << std::numeric_limits<int>::max();
    QTest::newRow("too small saturates") << u"-99999999999"_s << std::numeric_limits<int>::min();
    QTest::newRow("largest") << u"2147483647"_s << 2147483647;
    QTest::newRow("smallest") << u"-2147483648"_s << std::numeric_limits<int>::min();
    QTest::newRow("very long digit run") << QString(500, u'9') << std::numeric_limits<int>::max();
}

void TestScheduleRecord::readsIntegersLikeIntValue()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(intValue(text), value);
}

void TestScheduleRecord::readersTreatOddElementsAsAbsent_data()
{
    QTest::addColumn<QVariant>("record");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("repeat");

    const QDateTime when(QDate(2026, 12, 24), QTime(18, 0), platform::utc());
    QTest::newRow("seven elements")
        << QVariant(QVariantList{u"ID"_s, u"Anna"_s, u"555"_s, when, u"Hi"_s, u"1"_s, u"3"_s})
        << u"Anna"_s << when << 1 << 3;
    QTest::newRow("six elements") << QVariant(QVariantList{u"ID"_s, u"Anna"_s, u"555"_s, when,
                                                           u"Hi"_s, u"0"_s})
                                  << u"Anna"_s << when << 0 << 0;
    QTest::newRow("two elements") << QVariant(QVariantList{u"ID"_s, u"Anna"_s}) << u"Anna"_s
                                  << QDateTime() << 0 << 0;
    QTest::newRow("empty record") << QVariant(QVariantList()) << QString() << QDateTime() << 0 << 0;
    QTest::newRow("not a list") << QVariant(u"a record?"_s) << QString() << QDateTime() << 0 << 0;
    QTest::newRow("wrong types") << QVariant(QVariantList{u"ID"_s, 42, u"555"_s, u"2026-12-24"_s,
                                                          u"Hi"_s, qint64(1), true})
                                 << QString() << QDateTime() << 0 << 0;
    QTest::newRow("nested list as name") << QVariant(QVariantList{u"ID"_s, QVariantList{u"Anna"_s}})
                                         << QString() << QDateTime() << 0 << 0;
}

void TestScheduleRecord::readersTreatOddElementsAsAbsent()
{
    QFETCH(QVariant, record);
    QFETCH(QString, name);
    QFETCH(QDateTime, date);
    QFETCH(int, status);
    QFETCH(int, repeat);

    QCOMPARE(recordText(record, ScheduleField::Name), name);
    QCOMPARE(recordDate(record, ScheduleField::Date), date);
    QCOMPARE(recordInt(record, ScheduleField::Status), status);
    QCOMPARE(recordInt(record, ScheduleField::Repeat), repeat);
    // Positions outside any record read as absent, never past the end.
    QCOMPARE(recordText(record, 99), QString());
    QCOMPARE(recordText(record, -1), QString());
}

QTEST_GUILESS_MAIN(TestScheduleRecord)
#include "tst_schedulerecord.moc"
