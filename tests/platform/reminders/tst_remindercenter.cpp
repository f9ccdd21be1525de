// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/FileLock.h"
#include "platform/core/FileLockWatch.h"
#include "platform/core/PropertyList.h"
#include "platform/core/TimeZones.h"
#include "platform/core/WallClockTimer.h"
#include "platform/reminders/ReminderCenter.h"
#include "support/MockClock.h"
#include "support/Sentinel.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <optional>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using platform::PropertyList;
using platform::Reminder;
using platform::ReminderCenter;
using platform::CalendarUnit::Day;
using platform::CalendarUnit::Hour;
using platform::CalendarUnit::Month;
using platform::CalendarUnit::Week;
using platform::CalendarUnit::Year;

namespace {

Reminder reminder(const QString &id, const QDateTime &fireDate, int interval = 0)
{
    Reminder r;
    r.alertBody = u"Send SMS to :\n"_s + id;
    r.alertAction = u"Prepare"_s;
    r.fireDate = fireDate;
    r.repeatInterval = interval;
    r.soundName = platform::DefaultSoundName;
    r.userInfo = {{u"ID"_s, id}};
    r.applicationIconBadgeNumber = 1;
    return r;
}

QStringList ids(const QList<Reminder> &reminders)
{
    QStringList result;
    for (const Reminder &r : reminders)
        result.append(r.userInfo.value(u"ID"_s).toString());
    return result;
}

QStringList firedIds(const QSignalSpy &spy)
{
    QStringList result;
    for (const QList<QVariant> &args : spy)
        result.append(args.at(0).value<Reminder>().userInfo.value(u"ID"_s).toString());
    return result;
}

QDateTime local(const char *zone, int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone(zone));
}

// This program started again in a role: "change then quit", an app that
// registers a reminder and quits at once, saying "quitting" as it begins to
// quit; "hold", a process that holds the registry, says "holding" and waits
// to be killed.
constexpr char Role[] = "VELKARI_TEST_ROLE";

int holdRegistry(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    platform::FileLock lock(ReminderCenter::defaultRegistryPath() + u".lock"_s);
    if (!lock.lock(false))
        return 1;
    lock.recordHolder();
    std::fputs("holding\n", stdout);
    std::fflush(stdout);
    return QCoreApplication::exec();
}

int changeThenQuit(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Connected first, so said before the center writes.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] {
        std::fputs("quitting\n", stdout);
        std::fflush(stdout);
    });
    ReminderCenter center;
    QTimer::singleShot(0, &center, [&center] {
        center.scheduleLocalNotification(
            reminder(u"last"_s, QDateTime::currentDateTimeUtc().addSecs(3600)));
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}

} // namespace

class TestReminderCenter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void repeatsKeepTheirCalendar_data();
    void repeatsKeepTheirCalendar();
    void nextOccurrenceAfterAGap_data();
    void nextOccurrenceAfterAGap();
    void firesOnTimeOldestFirst();
    void repeatingReminderGoesOn();
    void missedRepeatsFireOnce();
    void survivesANewCenter();
    void passedWhileClosedFiresOnceAtStart();
    void cancelWithdrawsOnlyThatOne();
    void nobodyWaitsForTheOtherProcess();
    void changeJustBeforeQuitIsWritten_data();
    void changeJustBeforeQuitIsWritten();
    void unreadableRegistryIsKeptAside();
    void hostileRegistryIsNeverWrittenThrough_data();
    void hostileRegistryIsNeverWrittenThrough();
    void wallClockTimerWakesAtTheMoment();
    void travelsAsALaunchArgument();
};

void TestReminderCenter::repeatsKeepTheirCalendar_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<QDateTime>("first");
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<int>("n");
    QTest::addColumn<QDateTime>("expected");

    const QByteArray berlin = "Europe/Berlin";
    const QByteArray newYork = "America/New_York";
    // Berlin turns its clocks forward on 29 March 2026 and back on 25 October;
    // New York forward on 8 March and back on 1 November.
    QTest::newRow("hour: 3,600 seconds across the spring change")
        << int(Hour) << local("Europe/Berlin", 2026, 3, 29, 1, 30) << berlin << 1
        << local("Europe/Berlin", 2026, 3, 29, 3, 30);
    QTest::newRow("hour: many") << int(Hour) << local("Europe/Berlin", 2026, 1, 1, 0, 0) << berlin
                                << 49 << local("Europe/Berlin", 2026, 1, 3, 1, 0);
    QTest::newRow("day: 09:00 stays 09:00 in Berlin's spring")
        << int(Day) << local("Europe/Berlin", 2026, 3, 28, 9, 0) << berlin << 1
        << local("Europe/Berlin", 2026, 3, 29, 9, 0);
    QTest::newRow("day: 09:00 stays 09:00 in Berlin's autumn")
        << int(Day) << local("Europe/Berlin", 2026, 10, 24, 9, 0) << berlin << 2
        << local("Europe/Berlin", 2026, 10, 26, 9, 0);
    QTest::newRow("day: 09:00 stays 09:00 in New York's spring")
        << int(Day) << local("America/New_York", 2026, 3, 7, 9, 0) << newYork << 1
        << local("America/New_York", 2026, 3, 8, 9, 0);
    QTest::newRow("day: a time the change skips moves forward")
        << int(Day) << local("Europe/Berlin", 2026, 3, 28, 2, 30) << berlin << 1
        << local("Europe/Berlin", 2026, 3, 29, 3, 30);
    QTest::newRow("week: across New York's autumn")
        << int(Week) << local("America/New_York", 2026, 10, 27, 18, 15) << newYork << 1
        << local("America/New_York", 2026, 11, 3, 18, 15);
    QTest::newRow("month: the 31st falls on February's last day")
        << int(Month) << local("Europe/Berlin", 2026, 1, 31, 8, 0) << berlin << 1
        << local("Europe/Berlin", 2026, 2, 28, 8, 0);
    QTest::newRow("month: and comes back to the 31st")
        << int(Month) << local("Europe/Berlin", 2026, 1, 31, 8, 0) << berlin << 2
        << local("Europe/Berlin", 2026, 3, 31, 8, 0);
    QTest::newRow("month: April has 30 days")
        << int(Month) << local("Europe/Berlin", 2026, 1, 31, 8, 0) << berlin << 3
        << local("Europe/Berlin", 2026, 4, 30, 8, 0);
    QTest::newRow("month: into a leap February")
        << int(Month) << local("America/New_York", 2027, 12, 30, 7, 0) << newYork << 2
        << local("America/New_York", 2028, 2, 29, 7, 0);
    QTest::newRow("year: leap day in a common year")
        << int(Year) << local("Europe/Berlin", 2028, 2, 29, 12, 0) << berlin << 1
        << local("Europe/Berlin", 2029, 2, 28, 12, 0);
    QTest::newRow("year: leap day comes back")
        << int(Year) << local("Europe/Berlin", 2028, 2, 29, 12, 0) << berlin << 4
        << local("Europe/Berlin", 2032, 2, 29, 12, 0);
    QTest::newRow("no repeat: always the fire date")
        << 0 << local("Europe/Berlin", 2026, 5, 1, 10, 0) << berlin << 5
        << local("Europe/Berlin", 2026, 5, 1, 10, 0);
}

void TestReminderCenter::repeatsKeepTheirCalendar()
{
    QFETCH(int, interval);
    QFETCH(QDateTime, first);
    QFETCH(QByteArray, zone);
    QFETCH(int, n);
    QFETCH(QDateTime, expected);

    const Reminder r = reminder(u"A"_s, first, interval);
    QCOMPARE(platform::occurrence(r, n, QTimeZone(zone)), expected.toUTC());

    // A reminder that names its zone uses it whatever the device's zone.
    Reminder zoned = r;
    zoned.timeZone = QString::fromLatin1(zone);
    QCOMPARE(platform::occurrence(zoned, n, platform::repeatZone(zoned)), expected.toUTC());
}

void TestReminderCenter::nextOccurrenceAfterAGap_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<qint64>("secondsLater");
    QTest::addColumn<qint64>("next");

    QTest::newRow("hourly, a thousand hours and a bit")
        << int(Hour) << qint64(1000 * 3600 + 1) << qint64(1001);
    QTest::newRow("hourly, exactly on an occurrence") << int(Hour) << qint64(5 * 3600) << qint64(6);
    QTest::newRow("daily, before the first") << int(Day) << qint64(-10) << qint64(0);
    QTest::newRow("monthly, ten years") << int(Month) << qint64(3653) * 86400 << qint64(121);
    QTest::newRow("yearly, twenty years") << int(Year) << qint64(7306) * 86400 << qint64(21);
}

void TestReminderCenter::nextOccurrenceAfterAGap()
{
    QFETCH(int, interval);
    QFETCH(qint64, secondsLater);
    QFETCH(qint64, next);

    const QTimeZone zone("Europe/Berlin");
    const Reminder r = reminder(u"A"_s, local("Europe/Berlin", 2026, 1, 31, 9, 0), interval);
    const QDateTime moment = r.fireDate.addSecs(secondsLater);
    QCOMPARE(platform::firstOccurrenceAfter(r, moment, zone), std::optional(next));
    QVERIFY(platform::occurrence(r, next, zone) > moment);
    if (next > 0)
        QVERIFY(platform::occurrence(r, next - 1, zone) <= moment);
}

void TestReminderCenter::firesOnTimeOldestFirst()
{
    TestEnvironment env;
    MockClock clock;
    ReminderCenter center;
    const QDateTime now = platform::Clock::now();
    center.scheduleLocalNotification(reminder(u"later"_s, now.addSecs(20)));
    center.scheduleLocalNotification(reminder(u"second"_s, now.addSecs(10)));
    center.scheduleLocalNotification(reminder(u"first"_s, now.addSecs(5)));
    QSignalSpy fired(&center, &ReminderCenter::reminderFired);
    center.start();

    clock.advance(4);
    QVERIFY(passPostedEvents());
    QCOMPARE(fired.size(), 0);

    clock.advance(11); // both earlier ones are due now
    QTRY_COMPARE(fired.size(), 2);
    QCOMPARE(firedIds(fired), (QStringList{u"first"_s, u"second"_s}));
    QCOMPARE(ids(center.scheduledLocalNotifications()), QStringList{u"later"_s});

    clock.advance(5);
    QTRY_COMPARE(fired.size(), 3);
    QVERIFY(center.scheduledLocalNotifications().isEmpty());
}

void TestReminderCenter::repeatingReminderGoesOn()
{
    TestEnvironment env;
    MockClock clock;
    ReminderCenter center;
    QSignalSpy fired(&center, &ReminderCenter::reminderFired);
    center.scheduleLocalNotification(reminder(u"daily"_s, platform::Clock::now().addSecs(60), Day));
    center.start();

    clock.advance(61);
    QTRY_COMPARE(fired.size(), 1);
    // Still registered, with the fire date it was given.
    const QList<Reminder> left = center.scheduledLocalNotifications();
    QCOMPARE(ids(left), QStringList{u"daily"_s});
    QCOMPARE(left.first().fireDate, fired.first().first().value<Reminder>().fireDate);

    clock.advance(24 * 3600 - 10);
    QVERIFY(passPostedEvents());
    QCOMPARE(fired.size(), 1);
    clock.advance(10);
    QTRY_COMPARE(fired.size(), 2);
}

void TestReminderCenter::missedRepeatsFireOnce()
{
    TestEnvironment env;
    MockClock clock;
    ReminderCenter center;
    QSignalSpy fired(&center, &ReminderCenter::reminderFired);
    center.scheduleLocalNotification(
        reminder(u"hourly"_s, platform::Clock::now().addSecs(1), Hour));
    center.start();

    clock.advance(10 * 3600 + 30); // asleep for ten hours
    QTRY_COMPARE(fired.size(), 1);
    QVERIFY(passPostedEvents()); // the check after a firing
    QCOMPARE(fired.size(), 1);
    clock.advance(3600 - 31);
    QVERIFY(passPostedEvents());
    QCOMPARE(fired.size(), 1);
    clock.advance(2); // the occurrence of the eleventh hour
    QTRY_COMPARE(fired.size(), 2);
}

void TestReminderCenter::survivesANewCenter()
{
    TestEnvironment env;
    MockClock clock;
    const QDateTime when = platform::Clock::now().addSecs(600);
    QList<Reminder> registered;
    {
        ReminderCenter center;
        Reminder r = reminder(u"kept"_s, when, Week);
        r.userInfo.insert(u"extra"_s, u"value"_s);
        center.scheduleLocalNotification(r);
        center.scheduleLocalNotification(reminder(u"other"_s, when.addSecs(5)));
        registered = center.scheduledLocalNotifications();
    }
    QVERIFY(QFileInfo::exists(ReminderCenter::defaultRegistryPath()));
    QVERIFY(
        ReminderCenter::defaultRegistryPath().startsWith(env.dataHome() + u"/Velkari/Library/"_s));

    ReminderCenter again;
    QCOMPARE(again.scheduledLocalNotifications(), registered);
    QSignalSpy fired(&again, &ReminderCenter::reminderFired);
    again.start();
    clock.advance(601);
    QTRY_COMPARE(fired.size(), 1);
    QCOMPARE(fired.first().first().value<Reminder>(), registered.first());
}

void TestReminderCenter::passedWhileClosedFiresOnceAtStart()
{
    TestEnvironment env;
    MockClock clock;
    {
        ReminderCenter center;
        center.scheduleLocalNotification(reminder(u"once"_s, platform::Clock::now().addSecs(60)));
        center.scheduleLocalNotification(
            reminder(u"daily"_s, platform::Clock::now().addSecs(30), Day));
    }
    clock.advance(3 * 24 * 3600); // the app was closed for three days

    ReminderCenter center;
    QSignalSpy fired(&center, &ReminderCenter::reminderFired);
    center.start();
    QTRY_COMPARE(fired.size(), 2);
    QCOMPARE(firedIds(fired), (QStringList{u"daily"_s, u"once"_s}));
    QVERIFY(passPostedEvents());
    QCOMPARE(fired.size(), 2);
    QCOMPARE(ids(center.scheduledLocalNotifications()), QStringList{u"daily"_s});
}

void TestReminderCenter::cancelWithdrawsOnlyThatOne()
{
    TestEnvironment env;
    MockClock clock;
    ReminderCenter center;
    const QDateTime when = platform::Clock::now().addSecs(60);
    center.scheduleLocalNotification(reminder(u"A"_s, when));
    center.scheduleLocalNotification(reminder(u"A"_s, when));
    center.scheduleLocalNotification(reminder(u"B"_s, when));
    const QList<Reminder> all = center.scheduledLocalNotifications();
    QVERIFY(all[0].identifier != all[1].identifier);

    center.cancelLocalNotification(all[1]);
    QCOMPARE(center.scheduledLocalNotifications(), (QList<Reminder>{all[0], all[2]}));
    center.cancelLocalNotification(all[1]); // already gone
    QCOMPARE(center.scheduledLocalNotifications().size(), 2);
    QCOMPARE(ReminderCenter().scheduledLocalNotifications(), (QList<Reminder>{all[0], all[2]}));
}

// The other process (the reminder service) holds the registry; the window's
// thread must go on, and nothing done meanwhile may be lost or done twice.
void TestReminderCenter::nobodyWaitsForTheOtherProcess()
{
    TestEnvironment env;
    MockClock clock;
    const QString path = ReminderCenter::defaultRegistryPath();
    ReminderCenter center;
    const QDateTime now = platform::Clock::now();
    center.scheduleLocalNotification(reminder(u"due"_s, now.addSecs(10)));
    center.scheduleLocalNotification(reminder(u"withdrawn"_s, now.addSecs(60)));
    platform::FileLock other(path + u".lock"_s);
    QVERIFY(other.lock(false));

    center.scheduleLocalNotification(reminder(u"added"_s, now.addSecs(60)));
    center.cancelLocalNotification(center.scheduledLocalNotifications().at(1));
    QSignalSpy fired(&center, &ReminderCenter::reminderFired);
    center.start();
    clock.advance(11);
    QVERIFY(passPostedEvents());
    QCOMPARE(fired.size(), 0);
    QCOMPARE(ids(center.scheduledLocalNotifications()), (QStringList{u"due"_s, u"added"_s}));
    // Read as the file stands: the changes wait for the lock.
    QCOMPARE(ids(ReminderCenter().scheduledLocalNotifications()),
             (QStringList{u"due"_s, u"withdrawn"_s}));

    other.unlock();
    QTRY_COMPARE(fired.size(), 1);
    QCOMPARE(firedIds(fired), QStringList{u"due"_s});
    QCOMPARE(ids(ReminderCenter().scheduledLocalNotifications()), QStringList{u"added"_s});
    QVERIFY(passPostedEvents());
    QCOMPARE(fired.size(), 1);

    // What only a locked reading may do (keep a damaged file aside) is done,
    // and told, once the lock is free.
    QVERIFY(writeFile(path, "<plist><array><dict>"));
    QVERIFY(other.lock(false));
    ReminderCenter late;
    QSignalSpy problems(&late, &ReminderCenter::problemsFound);
    QVERIFY(late.keptAsidePath().isEmpty());
    QVERIFY(QFileInfo::exists(path));
    other.unlock();
    QTRY_COMPARE(problems.size(), 1);
    QVERIFY(QFileInfo::exists(late.keptAsidePath()));
}

void TestReminderCenter::changeJustBeforeQuitIsWritten_data()
{
    // Who holds the registry as the app quits, and what becomes of it.
    QTest::addColumn<QString>("holder");
    QTest::newRow("nobody") << u"nobody"_s;
    QTest::newRow("the other process, which lets go") << u"lets go"_s;
    QTest::newRow("the other process, which is killed") << u"killed"_s;
    // Quit ends at its deadline; what could not be written is said.
    QTest::newRow("the other process, past the end") << u"keeps it"_s;
}

// The app registers a reminder and quits at once (its event loop, which
// would try again later, is over) while the other process holds the
// registry for a while, or for ever.
void TestReminderCenter::changeJustBeforeQuitIsWritten()
{
    QFETCH(QString, holder);
    TestEnvironment env;
    const QString path = ReminderCenter::defaultRegistryPath();
    const auto start = [](QProcess &process, const char *role, QByteArray &said,
                          const QByteArray &word) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(Role), QString::fromLatin1(role));
        process.setProcessEnvironment(environment);
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process.start(QCoreApplication::applicationFilePath(), {});
        return QTest::qWaitFor(
            [&] { return (said += process.readAllStandardOutput()).contains(word); }, 30000);
    };
    // The other process's center holds the registry as a reminder fires.
    platform::FileLock other(path + u".lock"_s);
    QProcess otherProcess;
    QByteArray otherSaid;
    if (holder == u"lets go" || holder == u"keeps it")
        QVERIFY(other.lock(false));
    else if (holder == u"killed")
        QVERIFY(start(otherProcess, "hold", otherSaid, "holding"));

    QProcess app;
    QSignalSpy finished(&app, &QProcess::finished);
    QByteArray said;
    QVERIFY(start(app, "change then quit", said, "quitting"));
    if (holder == u"lets go") {
        // As a center lets go: unlocked, then heard.
        other.unlock();
        platform::FileLockWatch::announceRelease(path + u".lock"_s);
    } else if (holder == u"killed") {
        ::kill(pid_t(otherProcess.processId()), SIGKILL);
    }
    // Bounded by the app's own deadline, far below this one.
    QVERIFY(!finished.isEmpty() || finished.wait(60000));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
    other.unlock();

    const bool written = holder != u"keeps it";
    QCOMPARE(ids(ReminderCenter().scheduledLocalNotifications()),
             written ? QStringList{u"last"_s} : QStringList());
    QCOMPARE(QString::fromLocal8Bit(app.readAllStandardError())
                 .contains(u"1 changes to the reminders are lost"_s),
             !written);
}

void TestReminderCenter::unreadableRegistryIsKeptAside()
{
    TestEnvironment env;
    MockClock clock;
    const QString path = ReminderCenter::defaultRegistryPath();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(writeFile(path, "<plist><array><dict><key>fireDate"));

    ReminderCenter center;
    QVERIFY(center.scheduledLocalNotifications().isEmpty());
    QVERIFY(!center.keptAsidePath().isEmpty());
    QCOMPARE(readFile(center.keptAsidePath()), QByteArray("<plist><array><dict><key>fireDate"));

    center.scheduleLocalNotification(reminder(u"new"_s, platform::Clock::now().addSecs(5)));
    QCOMPARE(ids(ReminderCenter().scheduledLocalNotifications()), QStringList{u"new"_s});
}

void TestReminderCenter::hostileRegistryIsNeverWrittenThrough_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind :
         {"fifo", "link to the data file", "occurrence past the calendar", "kept-aside name taken",
          "cannot be kept aside", "folder of another user"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

// Each ends in bounded time, a reminder can still be registered (or the
// user is told why not), and nothing stored is changed or lost.
void TestReminderCenter::hostileRegistryIsNeverWrittenThrough()
{
    QFETCH(QString, kind);
    TestEnvironment env;
    MockClock clock;
    StderrCapture quiet;
    const passwd *nobody = ::getpwnam("nobody");
    if (kind.contains(u"another user") && (::geteuid() != 0 || !nobody))
        QSKIP("needs root and a user 'nobody'");
    QString path = ReminderCenter::defaultRegistryPath();
    if (kind == u"cannot be kept aside") // no room in the name for a suffix
        path = QFileInfo(path).absolutePath() + u'/' + QString(240, u'r');
    const QString folder = QFileInfo(path).absolutePath();
    QVERIFY(QDir().mkpath(folder));
    const QByteArray name = QFile::encodeName(path);
    const QString data = env.dataFile();
    QVERIFY(QDir().mkpath(env.documents()));
    // A list as the data file holds one: readable as a registry too.
    const QByteArray scheduled =
        PropertyList::serialize(QVariantList{QVariant(QVariantList{u"ID"_s, u"Anna"_s})});
    QVERIFY(writeFile(data, scheduled));
    const QByteArray damaged = "<plist><array><dict><key>fireDate";
    const QString takenName = path + u".unreadable-20261207T101112"_s;

    QByteArray stored; // what must come through unchanged, wherever it ends
    if (kind == u"fifo") {
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    } else if (kind == u"link to the data file") {
        QVERIFY(QFile::link(data, path));
    } else if (kind == u"occurrence past the calendar") {
        ReminderCenter seed(path);
        seed.scheduleLocalNotification(reminder(u"ok"_s, clock.now().addSecs(60), Hour));
        seed.scheduleLocalNotification(reminder(u"huge"_s, clock.now().addSecs(60), Hour));
        QByteArray bytes = readFile(path);
        const qsizetype second = bytes.lastIndexOf("<integer>0</integer>");
        QVERIFY(second > 0);
        bytes.replace(second, 20, "<integer>4611686018427387904</integer>");
        QVERIFY(writeFile(path, bytes));
        stored = "4611686018427387904";
    } else {
        QVERIFY(writeFile(path, damaged));
        stored = damaged;
        if (kind == u"kept-aside name taken")
            QVERIFY(writeFile(takenName, "kept before"));
        if (kind == u"folder of another user")
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), nobody->pw_uid, nobody->pw_gid),
                     0);
    }

    ReminderCenter center(path);
    center.scheduleLocalNotification(reminder(u"new"_s, clock.now().addSecs(5)));
    QCOMPARE(readFile(data), scheduled);

    if (kind == u"cannot be kept aside" || kind == u"folder of another user") {
        const platform::Result<void> usable = center.usable();
        QVERIFY(!usable);
        QVERIFY(!usable.error().isEmpty());
        QCOMPARE(readFile(path), damaged);
        return;
    }
    QVERIFY2(center.usable(), qPrintable(center.usable().error()));
    QStringList expected{u"new"_s};
    if (kind == u"occurrence past the calendar") {
        expected.prepend(u"ok"_s);
        QCOMPARE(center.damagedEntries(), 1);
        QVERIFY(readFile(center.damagedEntriesPath()).contains(stored));
    } else {
        QVERIFY(!center.keptAsidePath().isEmpty());
        if (!stored.isEmpty())
            QCOMPARE(readFile(center.keptAsidePath()), stored);
    }
    if (kind == u"kept-aside name taken") {
        QCOMPARE(readFile(takenName), QByteArray("kept before"));
        QCOMPARE(center.keptAsidePath(), takenName + u"-1"_s);
    }
    QCOMPARE(ids(ReminderCenter(path).scheduledLocalNotifications()), expected);
    QVERIFY(!QFileInfo(path).isSymLink());
    QCOMPARE(QFileInfo(path).permissions() & 0x77, QFile::Permissions());
}

void TestReminderCenter::wallClockTimerWakesAtTheMoment()
{
    platform::WallClockTimer timer;
    QSignalSpy woke(&timer, &platform::WallClockTimer::timeout);
    timer.start(QDateTime::currentDateTimeUtc().addMSecs(50));
    QVERIFY(woke.wait(5000));

    // Stopped before its moment, it stays quiet past it: a later timer's
    // waking proves the moment has passed.
    timer.start(QDateTime::currentDateTimeUtc().addMSecs(50));
    timer.stop();
    platform::WallClockTimer later;
    QSignalSpy laterWoke(&later, &platform::WallClockTimer::timeout);
    later.start(QDateTime::currentDateTimeUtc().addMSecs(100));
    QVERIFY(laterWoke.wait(5000));
    QCoreApplication::processEvents(); // whatever else is due by now
    QCOMPARE(woke.size(), 1);
}

void TestReminderCenter::travelsAsALaunchArgument()
{
    Reminder sent =
        reminder(u"ID-7"_s, QDateTime(QDate(2026, 5, 1), QTime(9, 0), platform::utc()), Week);
    sent.identifier = u"registered-1"_s;
    sent.userInfo.insert(u"extra"_s, u"a b & <c>"_s);
    const QString argument = platform::reminderLaunchArgument(sent);
    QVERIFY(argument.startsWith(u"--reminder="_s));
    QVERIFY(!argument.contains(u' '));

    const std::optional<Reminder> back =
        platform::reminderFromLaunchArguments({u"velkari"_s, u"-x"_s, argument});
    QVERIFY(back);
    Reminder expected = sent;
    expected.alertBody.clear(); // the recipient stays out of command lines
    QCOMPARE(*back, expected);

    QCOMPARE(platform::reminderFromLaunchArguments({u"velkari"_s}), std::nullopt);
    QCOMPARE(platform::reminderFromLaunchArguments({u"--reminder=not base64!"_s}), std::nullopt);
    QCOMPARE(platform::reminderFromLaunchArguments({u"--reminder=PHBsaXN0Lz4"_s}), std::nullopt);
}

int main(int argc, char *argv[])
{
    const QByteArray role = qgetenv(Role);
    if (role == "change then quit")
        return changeThenQuit(argc, argv);
    if (role == "hold")
        return holdRegistry(argc, argv);
    QCoreApplication app(argc, argv);
    TestReminderCenter test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_remindercenter.moc"
