// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/reminders/ReminderCenter.h"
#include "schedule/Reminders.h"
#include "schedule/RepeatModes.h"
#include "support/MockClock.h"
#include "support/TestEnvironment.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::Reminder;
using namespace velkari;

namespace {

QStringList idsOf(const QList<Reminder> &reminders)
{
    QStringList ids;
    for (const Reminder &r : reminders)
        ids.append(r.userInfo.value(u"ID"_s).toString());
    return ids;
}

} // namespace

class TestReminders : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void buildsTheReminderOfASchedule_data();
    void buildsTheReminderOfASchedule();
    void cancelsEveryExactMatch();
    void logsEachIDWhenAsked();

private:
    std::unique_ptr<TestEnvironment> mEnv;
    std::unique_ptr<MockClock> mClock;
    std::unique_ptr<platform::ReminderCenter> mCenter;
};

void TestReminders::init()
{
    mEnv = std::make_unique<TestEnvironment>();
    mClock = std::make_unique<MockClock>();
    mCenter = std::make_unique<platform::ReminderCenter>();
}

void TestReminders::cleanup()
{
    mCenter.reset();
    mClock.reset();
    mEnv.reset();
}

void TestReminders::buildsTheReminderOfASchedule_data()
{
    QTest::addColumn<int>("repeatIndex");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("modeName");

    QTest::newRow("None") << 0 << 0 << u"None"_s;
    QTest::newRow("Every Hour") << 1 << 32 << u"Every Hour"_s;
    QTest::newRow("Every Day") << 2 << 16 << u"Every Day"_s;
    QTest::newRow("Every Week") << 3 << 256 << u"Every Week"_s;
    QTest::newRow("Eevery Month") << 4 << 8 << u"Eevery Month"_s;
    QTest::newRow("Every Year") << 5 << 4 << u"Every Year"_s;
    QTest::newRow("outside the table") << 9 << 0 << QString();
    QTest::newRow("negative") << -1 << 0 << QString();
}

void TestReminders::buildsTheReminderOfASchedule()
{
    QFETCH(int, repeatIndex);
    QFETCH(int, interval);
    QFETCH(QString, modeName);

    QCOMPARE(RepeatModes::names().value(repeatIndex), modeName);
    const QDateTime when = platform::Clock::now().addSecs(300);
    ScheduleReminder(*mCenter, u"0B7C1F9E-6B1A-4C8E-9D55-1F0E2A3B4C5D"_s, u"Anna Berg"_s,
                     u"555 0100"_s, when, repeatIndex, u"Prepare"_s);

    const QList<Reminder> registered = mCenter->scheduledLocalNotifications();
    QCOMPARE(registered.size(), 1);
    const Reminder &r = registered.first();
    QCOMPARE(r.alertBody, u"Send SMS to :\nAnna Berg (555 0100) ?"_s);
    QCOMPARE(r.alertAction, u"Prepare"_s);
    QCOMPARE(r.fireDate, when);
    QCOMPARE(r.repeatInterval, interval);
    QCOMPARE(r.soundName, platform::DefaultSoundName);
    QCOMPARE(r.userInfo, (QVariantMap{{u"ID"_s, u"0B7C1F9E-6B1A-4C8E-9D55-1F0E2A3B4C5D"_s}}));
    QCOMPARE(r.applicationIconBadgeNumber, 1);
    QVERIFY(r.timeZone.isEmpty());
}

void TestReminders::cancelsEveryExactMatch()
{
    const QDateTime when = platform::Clock::now().addSecs(300);
    ScheduleReminder(*mCenter, u"ID-1"_s, u"Anna"_s, u"1"_s, when, 0, u"Prepare"_s);
    ScheduleReminder(*mCenter, u"ID-2"_s, u"Carl"_s, u"2"_s, when, 2, u"Send"_s);
    ScheduleReminder(*mCenter, u"ID-1"_s, u"Anna"_s, u"1"_s, when, 3, u"Send"_s);
    ScheduleReminder(*mCenter, u"id-1"_s, u"Case"_s, u"3"_s, when, 0, u"Send"_s);
    ScheduleReminder(*mCenter, u"ID-10"_s, u"Longer"_s, u"4"_s, when, 0, u"Send"_s);
    // Reminders the app did not make: no user information, an ID of another type.
    Reminder foreign;
    foreign.fireDate = when;
    mCenter->scheduleLocalNotification(foreign);
    foreign.userInfo = {{u"ID"_s, qint64(1)}};
    mCenter->scheduleLocalNotification(foreign);

    CancelReminders(*mCenter, u"ID-1"_s);
    QCOMPARE(idsOf(mCenter->scheduledLocalNotifications()),
             (QStringList{u"ID-2"_s, u"id-1"_s, u"ID-10"_s, QString(), u"1"_s}));

    CancelReminders(*mCenter, u"no such schedule"_s);
    QCOMPARE(mCenter->scheduledLocalNotifications().size(), 5);
}

void TestReminders::logsEachIDWhenAsked()
{
    const QDateTime when = platform::Clock::now().addSecs(300);
    ScheduleReminder(*mCenter, u"ID-1"_s, u"Anna"_s, u"1"_s, when, 0, u"Prepare"_s);
    Reminder foreign;
    foreign.fireDate = when;
    mCenter->scheduleLocalNotification(foreign);
    ScheduleReminder(*mCenter, u"ID-2"_s, u"Carl"_s, u"2"_s, when, 0, u"Prepare"_s);

    QString quiet;
    QString logged;
    {
        StderrCapture capture;
        CancelReminders(*mCenter, u"ID-2"_s);
        quiet = capture.text();
    }
    {
        StderrCapture capture;
        CancelReminders(*mCenter, u"ID-1"_s, true);
        logged = capture.text();
    }
    QVERIFY(quiet.isEmpty());
    QStringList lines;
    for (const QString &line : logged.split(u'\n', Qt::SkipEmptyParts))
        lines.append(line.section(u"] "_s, 1));
    QCOMPARE(lines, (QStringList{u"ID-1"_s, u"(null)"_s}));
    QCOMPARE(mCenter->scheduledLocalNotifications().size(), 1);
}

QTEST_GUILESS_MAIN(TestReminders)
#include "tst_reminders.moc"
