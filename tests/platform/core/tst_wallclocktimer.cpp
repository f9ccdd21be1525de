// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/WallClockTimer.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <sys/timerfd.h>

using namespace Qt::Literals::StringLiterals;
using platform::WallClockTimer;

Q_DECLARE_METATYPE(WallClockTimer::Kind)

class TestWallClockTimer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choosesTheClock_data();
    void choosesTheClock();
    void initTestCase() { WallClockTimer::setLogsClockChoice(true); }
    void cleanup() { WallClockTimer::setTimerFdFactory({}); }
};

void TestWallClockTimer::choosesTheClock_data()
{
    QTest::addColumn<int>("alarmError");    // 0: the alarm clock may be used
    QTest::addColumn<int>("realtimeError"); // 0: CLOCK_REALTIME may be used
    QTest::addColumn<WallClockTimer::Kind>("kind");
    QTest::addColumn<QString>("logged");

    QTest::newRow("permitted") << 0 << 0 << WallClockTimer::Kind::Alarm
                               << u"CLOCK_REALTIME_ALARM"_s;
    QTest::newRow("no capability")
        << EPERM << 0 << WallClockTimer::Kind::Realtime << u"CLOCK_REALTIME (no CAP_WAKE_ALARM)"_s;
    QTest::newRow("no RTC") << ENODEV << 0 << WallClockTimer::Kind::Realtime
                            << u"CLOCK_REALTIME (No such device)"_s;
    QTest::newRow("no timerfd") << EPERM << EMFILE << WallClockTimer::Kind::QtTimer
                                << u"a Qt timer re-armed from the wall clock"_s;
}

void TestWallClockTimer::choosesTheClock()
{
    QFETCH(int, alarmError);
    QFETCH(int, realtimeError);
    QFETCH(WallClockTimer::Kind, kind);
    QFETCH(QString, logged);

    QList<int> asked;
    // This machine may have no RTC: a permitted alarm clock is played by
    // CLOCK_REALTIME, which fires alike while awake.
    WallClockTimer::setTimerFdFactory([&](int clockId, int flags) {
        asked << clockId;
        const int error = clockId == CLOCK_REALTIME_ALARM ? alarmError : realtimeError;
        if (error) {
            errno = error;
            return -1;
        }
        return ::timerfd_create(CLOCK_REALTIME, flags);
    });

    StderrCapture capture;
    WallClockTimer timer;
    const QString text = capture.text();
    QCOMPARE(timer.kind(), kind);
    QCOMPARE(asked.first(), int(CLOCK_REALTIME_ALARM));
    QCOMPARE(text.count(u"Reminder timer: "_s), 1);
    QVERIFY2(text.contains(logged), qPrintable(text));

    // Whichever clock it has, it fires, and a stopped timer does not.
    QSignalSpy woke(&timer, &WallClockTimer::timeout);
    const QDateTime moment = QDateTime::currentDateTimeUtc().addMSecs(50);
    timer.start(moment);
    QVERIFY(woke.wait(5000));
    QVERIFY(QDateTime::currentDateTimeUtc() >= moment);
    timer.start(QDateTime::currentDateTimeUtc().addMSecs(50));
    timer.stop();
    QVERIFY(!woke.wait(300));
    QCOMPARE(woke.count(), 1);
}

QTEST_GUILESS_MAIN(TestWallClockTimer)
#include "tst_wallclocktimer.moc"
