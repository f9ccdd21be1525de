// SPDX-License-Identifier: GPL-3.0-or-later
// The resident reminder service and its hand-over with the app, on a private
// session bus with a stand-in notification server.

#include "platform/core/FileLock.h"
#include "platform/core/TimeZones.h"
#include "platform/core/WallClockTimer.h"
#include "platform/reminders/ReminderCenter.h"
#include "service/ReminderService.h"
#include "support/FakeNotificationServer.h"
#include "support/MockClock.h"
#include "support/PrivateBus.h"
#include "support/TestEnvironment.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using platform::FileLock;
using platform::Reminder;
using platform::ReminderCenter;
using platform::ReminderService;

namespace {

Reminder reminder(const QString &id, const QDateTime &when, int interval = 0)
{
    Reminder r;
    r.alertBody = u"Send SMS to :\nAnna Berg (555 0100) ?"_s;
    r.alertAction = u"Prepare"_s;
    r.fireDate = when;
    r.repeatInterval = interval;
    r.soundName = platform::DefaultSoundName;
    r.userInfo = {{u"ID"_s, id}};
    r.applicationIconBadgeNumber = 1;
    return r;
}

void registerReminder(const Reminder &r)
{
    ReminderCenter(ReminderCenter::defaultRegistryPath()).scheduleLocalNotification(r);
}

int registered()
{
    return int(ReminderCenter().scheduledLocalNotifications().size());
}

// Holds the app's presence lock, as a running app does.
struct RunningApp {
    RunningApp() { lock.lock(false); }
    FileLock lock{platform::applicationLockPath()};
};

QProcess *startProgram(QProcess &process, const QString &program, const QString &busAddress)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, busAddress);
    process.setProcessEnvironment(env);
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process.start(program, {});
    return &process;
}

// A clock moved without telling anyone, as time passes while the device
// sleeps: no timer of ours runs then.
class SleepingClock : public platform::Clock {
public:
    SleepingClock() { platform::Clock::setInstance(this); }
    ~SleepingClock() override { platform::Clock::setInstance(nullptr); }
    QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(10, 11, 12), platform::utc());

protected:
    QDateTime currentDateTimeUtc() const override { return now; }
};

} // namespace

// Stands in for logind's manager on a private system bus: hands out sleep
// inhibitors as pipes, so that the test sees when each is let go.
class LogindStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    explicit LogindStandIn(const QDBusConnection &bus)
        : mBus(bus)
    {
        mBus.registerObject(u"/org/freedesktop/login1"_s, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
        mBus.registerService(u"org.freedesktop.login1"_s);
        PrivateBus::settle(mBus);
    }
    ~LogindStandIn() override
    {
        for (int fd : mReadEnds)
            ::close(fd);
    }

    QStringList calls;
    // How many inhibitors are held now.
    int held() const
    {
        int count = 0;
        for (int fd : mReadEnds) {
            char byte;
            if (::read(fd, &byte, 1) < 0 && errno == EAGAIN)
                ++count; // a write end is still open
        }
        return count;
    }
    void resume()
    {
        mBus.send(QDBusMessage::createSignal(u"/org/freedesktop/login1"_s,
                                             u"org.freedesktop.login1.Manager"_s,
                                             u"PrepareForSleep"_s)
                  << false);
    }

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why,
                                    const QString &mode)
    {
        calls << QStringList{what, who, why, mode}.join(u'|');
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
            return {};
        mReadEnds << ends[0];
        QDBusUnixFileDescriptor handed(ends[1]);
        ::close(ends[1]);
        return handed;
    }

private:
    QDBusConnection mBus;
    QList<int> mReadEnds;
};

class TestReminderService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void firesWhileTheAppIsClosed();
    void standsAsideWhileTheAppRuns();
    void keepsTheWakeAlarmSetWhileTheAppRuns();
    void answeringStartsTheAppWithTheReminder();
    void answeringPassesTheServersToken_data();
    void answeringPassesTheServersToken();
    void dismissingStartsNothing();
    void withoutNotificationsNothingIsTaken();
    void notShownIsNotLost();
    void repeatingReminderCrossesTheHandOverOnce();
    void takesOverFromAKilledApp();
    void appTakesOverFromAKilledService();
    void staysAwakeToDeliverAfterResume_data();
    void staysAwakeToDeliverAfterResume();

private:
    std::unique_ptr<FakeNotificationServer> server();

    PrivateBus mBus;
    QDBusConnection mServiceBus{u"none"_s};
    std::unique_ptr<TestEnvironment> mEnv;
    QString mAnswerFile;
};

void TestReminderService::initTestCase()
{
    QVERIFY(mBus.isRunning());
    mServiceBus = mBus.connect(u"service"_s);
}

void TestReminderService::init()
{
    mEnv = std::make_unique<TestEnvironment>();
    mAnswerFile = mEnv->root() + u"/answered"_s;
}

void TestReminderService::cleanup()
{
    mEnv.reset();
}

std::unique_ptr<FakeNotificationServer> TestReminderService::server()
{
    static int count = 0;
    QDBusConnection connection = mBus.connect(u"notifications%1"_s.arg(++count));
    auto fake = std::make_unique<FakeNotificationServer>(connection);
    PrivateBus::settle(connection);
    return fake;
}

void TestReminderService::firesWhileTheAppIsClosed()
{
    MockClock clock;
    const auto notifications = server();
    registerReminder(reminder(u"A"_s, platform::Clock::now().addSecs(60)));
    ReminderService service(mServiceBus);
    QVERIFY(service.start());
    QVERIFY(ReminderService::isRunning());
    QVERIFY(!ReminderService(mServiceBus).start()); // one per data folder

    clock.advance(59);
    QTest::qWait(50);
    QVERIFY(notifications->notifications.isEmpty());
    clock.advance(1);
    QTRY_COMPARE(notifications->notifications.size(), 1);
    const FakeNotificationServer::Notification shown = notifications->notifications.first();
    QCOMPARE(shown.summary, u"A message to send"_s);
    QCOMPARE(shown.body, u"Send SMS to :\nAnna Berg (555 0100) ?"_s);
    QVERIFY(shown.actions.contains(u"Prepare"_s));
    QCOMPARE(shown.hints.value(u"sound-name"_s).toString(), u"message-new-instant"_s);
    QCOMPARE(registered(), 0);
}

void TestReminderService::standsAsideWhileTheAppRuns()
{
    MockClock clock;
    const auto notifications = server();
    registerReminder(reminder(u"A"_s, platform::Clock::now().addSecs(60)));
    auto app = std::make_unique<RunningApp>();
    ReminderService service(mServiceBus);
    QVERIFY(service.start());
    clock.advance(120);
    QTest::qWait(300);
    QVERIFY(notifications->notifications.isEmpty());
    QCOMPARE(registered(), 1); // still the app's to deliver

    app.reset(); // the app quits
    QTRY_COMPARE(notifications->notifications.size(), 1);
    QCOMPARE(registered(), 0);
}

void TestReminderService::keepsTheWakeAlarmSetWhileTheAppRuns()
{
    // The service's timer, seen from here: every timerfd made is kept.
    QList<int> timers;
    platform::WallClockTimer::setTimerFdFactory([&timers](int clockId, int flags) {
        const int fd =
            ::timerfd_create(clockId == CLOCK_REALTIME_ALARM ? CLOCK_REALTIME : clockId, flags);
        timers.append(fd);
        return fd;
    });
    const QDateTime now = QDateTime::currentDateTimeUtc();
    registerReminder(reminder(u"later"_s, now.addSecs(3600)));
    RunningApp app;
    ReminderService service(mServiceBus);
    QVERIFY(service.start());
    const int serviceTimer = timers.last();
    const auto secondsLeft = [serviceTimer] {
        itimerspec left = {};
        return ::timerfd_gettime(serviceTimer, &left) == 0 ? int(left.it_value.tv_sec) : -1;
    };
    // Set for the reminder the app will fire, so that the device wakes for it.
    QTRY_VERIFY(qAbs(secondsLeft() - 3600) <= 5);
    // One the app registers meanwhile moves the alarm, with nothing polled.
    registerReminder(reminder(u"sooner"_s, now.addSecs(1800)));
    QTRY_VERIFY(qAbs(secondsLeft() - 1800) <= 5);
    QCOMPARE(registered(), 2);
    platform::WallClockTimer::setTimerFdFactory({});
}

void TestReminderService::answeringStartsTheAppWithTheReminder()
{
    MockClock clock;
    const auto notifications = server();
    registerReminder(reminder(u"A"_s, platform::Clock::now().addSecs(5)));
    ReminderService service(mServiceBus);
    // A stand-in for the app that writes down what it was started with.
    service.setApplicationCommand(u"/bin/sh"_s,
                                  {u"-c"_s, u"printf '%s' \"$1\" > \"$0\""_s, mAnswerFile});
    QVERIFY(service.start());
    clock.advance(5);
    QTRY_COMPARE(notifications->notifications.size(), 1);
    notifications->invoke(notifications->notifications.first().id, u"answer"_s);

    QTRY_VERIFY(!readFile(mAnswerFile).isEmpty());
    const std::optional<Reminder> started =
        platform::reminderFromLaunchArguments({QString::fromUtf8(readFile(mAnswerFile))});
    QVERIFY(started);
    QCOMPARE(started->userInfo.value(u"ID"_s).toString(), u"A"_s);
    QCOMPARE(started->alertAction, u"Prepare"_s);
}

void TestReminderService::answeringPassesTheServersToken_data()
{
    QTest::addColumn<QString>("token");
    QTest::addColumn<QByteArray>("startedWith");
    QTest::newRow("GNOME Shell or Plasma send one")
        << u"shell-token-7"_s << QByteArray("shell-token-7|shell-token-7");
    // A token the service itself was started with is long spent.
    QTest::newRow("Phosh sends none") << QString() << QByteArray("|");
}

void TestReminderService::answeringPassesTheServersToken()
{
    QFETCH(QString, token);
    QFETCH(QByteArray, startedWith);
    qputenv("XDG_ACTIVATION_TOKEN", "the-services-own");
    qputenv("DESKTOP_STARTUP_ID", "the-services-own");
    MockClock clock;
    static int count = 0;
    QDBusConnection serverBus = mBus.connect(u"token-server%1"_s.arg(++count));
    FakeNotificationServer notifications(serverBus);
    PrivateBus::settle(serverBus);
    registerReminder(reminder(u"A"_s, platform::Clock::now().addSecs(5)));
    ReminderService service(mServiceBus);
    // A stand-in for the app that writes down the tokens it was given.
    service.setApplicationCommand(
        u"/bin/sh"_s,
        {u"-c"_s, u"printf '%s|%s' \"$XDG_ACTIVATION_TOKEN\" \"$DESKTOP_STARTUP_ID\" > \"$0\""_s,
         mAnswerFile});
    QVERIFY(service.start());
    clock.advance(5);
    QTRY_COMPARE(notifications.notifications.size(), 1);
    const uint id = notifications.notifications.first().id;
    // Sent by the server just before ActionInvoked, as GNOME Shell does.
    if (!token.isEmpty())
        serverBus.send(QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_s,
                                                  u"org.freedesktop.Notifications"_s,
                                                  u"ActivationToken"_s)
                       << id << token);
    notifications.invoke(id, u"default"_s);
    QTRY_VERIFY(!readFile(mAnswerFile).isEmpty());
    QCOMPARE(readFile(mAnswerFile), startedWith);
    qunsetenv("XDG_ACTIVATION_TOKEN");
    qunsetenv("DESKTOP_STARTUP_ID");
}

void TestReminderService::dismissingStartsNothing()
{
    MockClock clock;
    const auto notifications = server();
    registerReminder(reminder(u"A"_s, platform::Clock::now().addSecs(5)));
    ReminderService service(mServiceBus);
    service.setApplicationCommand(u"/bin/sh"_s, {u"-c"_s, u"echo started > \"$0\""_s, mAnswerFile});
    QVERIFY(service.start());
    clock.advance(5);
    QTRY_COMPARE(notifications->notifications.size(), 1);
    notifications->dismiss(notifications->notifications.first().id);
    notifications->invoke(notifications->notifications.first().id, u"answer"_s);
    QTest::qWait(300);
    QVERIFY(!QFileInfo::exists(mAnswerFile));
}

void TestReminderService::withoutNotificationsNothingIsTaken()
{
    MockClock clock;
    registerReminder(reminder(u"A"_s, platform::Clock::now().addSecs(5)));
    StderrCapture log;
    ReminderService service(mServiceBus); // no notification server on this bus
    QVERIFY(service.start());
    clock.advance(10);
    QTest::qWait(200);
    QCOMPARE(registered(), 1); // left for the app to deliver
    QVERIFY(log.text().contains(u"No desktop notification service"_s));
}

void TestReminderService::notShownIsNotLost()
{
    MockClock clock;
    const auto notifications = server();
    notifications->failing = true;
    registerReminder(reminder(u"A"_s, platform::Clock::now().addSecs(5)));
    StderrCapture log;
    ReminderService service(mServiceBus);
    QVERIFY(service.start());
    clock.advance(5);
    QTRY_VERIFY(log.text().contains(u"Cannot show a reminder"_s));
    // Back in the registry, and left alone for a while.
    const QList<Reminder> kept = ReminderCenter().scheduledLocalNotifications();
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept.first().userInfo.value(u"ID"_s).toString(), u"A"_s);
    clock.advance(10);
    QTest::qWait(100);
    QCOMPARE(registered(), 1);
}

void TestReminderService::repeatingReminderCrossesTheHandOverOnce()
{
    MockClock clock;
    const auto notifications = server();
    registerReminder(
        reminder(u"H"_s, platform::Clock::now().addSecs(60), platform::CalendarUnit::Hour));
    ReminderService service(mServiceBus);
    QVERIFY(service.start());
    QSignalSpy toService(service.center(), &ReminderCenter::reminderFired);

    QList<int> byApp;
    {
        RunningApp app;
        ReminderCenter appCenter;
        QSignalSpy toApp(&appCenter, &ReminderCenter::reminderFired);
        appCenter.start();
        clock.advance(60); // occurrence 0, the app's
        QTRY_COMPARE(toApp.size(), 1);
        byApp.append(int(toApp.size()));
    }
    clock.advance(3600); // occurrence 1, with the app closed
    QTRY_COMPARE(notifications->notifications.size(), 1);
    {
        RunningApp app;
        ReminderCenter appCenter;
        QSignalSpy toApp(&appCenter, &ReminderCenter::reminderFired);
        appCenter.start();
        clock.advance(3600); // occurrence 2, the app's again
        QTRY_COMPARE(toApp.size(), 1);
        QTest::qWait(300);
        QCOMPARE(toApp.size(), 1);
    }
    QCOMPARE(toService.size(), 1);
    QCOMPARE(notifications->notifications.size(), 1);
    QCOMPARE(registered(), 1); // still repeating
}

void TestReminderService::takesOverFromAKilledApp()
{
    const auto notifications = server();
    registerReminder(reminder(u"K"_s, QDateTime::currentDateTimeUtc().addSecs(3)));
    ReminderService service(mServiceBus);
    QVERIFY(service.start());

    QProcess app;
    startProgram(app, QStringLiteral(VELKARI_BINARY), mBus.address());
    QTRY_VERIFY(FileLock::isHeld(platform::applicationLockPath()));
    ::kill(pid_t(app.processId()), SIGKILL);
    QVERIFY(app.waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(notifications->notifications.size() == 1, 10000);
    QCOMPARE(registered(), 0);
}

void TestReminderService::appTakesOverFromAKilledService()
{
    registerReminder(reminder(u"S"_s, QDateTime::currentDateTimeUtc().addSecs(3)));
    QProcess serviceProcess;
    startProgram(serviceProcess, QStringLiteral(VELKARI_REMINDERS_BINARY), mBus.address());
    QTRY_VERIFY(ReminderService::isRunning());
    ::kill(pid_t(serviceProcess.processId()), SIGKILL);
    QVERIFY(serviceProcess.waitForFinished(5000));
    QTRY_VERIFY(!ReminderService::isRunning());

    RunningApp app;
    ReminderCenter appCenter;
    QSignalSpy toApp(&appCenter, &ReminderCenter::reminderFired);
    appCenter.start();
    QTRY_VERIFY_WITH_TIMEOUT(toApp.size() == 1, 10000);
    QCOMPARE(toApp.first().first().value<Reminder>().userInfo.value(u"ID"_s).toString(), u"S"_s);
    QCOMPARE(registered(), 0);
}

void TestReminderService::staysAwakeToDeliverAfterResume_data()
{
    QTest::addColumn<bool>("withLogind");
    QTest::newRow("logind") << true;
    QTest::newRow("no logind") << false; // nothing held, still delivered at once
}

void TestReminderService::staysAwakeToDeliverAfterResume()
{
    QFETCH(bool, withLogind);
    SleepingClock clock;
    PrivateBus systemBus;
    QVERIFY(systemBus.isRunning());
    std::unique_ptr<LogindStandIn> logind;
    if (withLogind)
        logind = std::make_unique<LogindStandIn>(systemBus.connect(u"logind"_s));
    const auto notifications = server();
    QList<int> heldWhenShown;
    notifications->onNotify = [&] {
        heldWhenShown << (logind ? logind->held() : 0);
    };

    registerReminder(reminder(u"Z"_s, clock.now.addSecs(600)));
    ReminderService service(mServiceBus);
    service.setSystemBus(systemBus.connect(u"velkari-system"_s));
    QVERIFY(service.start());
    QTest::qWait(50);
    QVERIFY(notifications->notifications.isEmpty());

    clock.now = clock.now.addSecs(3600); // asleep past its moment
    if (logind) {
        logind->resume();
        logind->resume(); // a second resume fires nothing more
    } else {
        service.center()->scheduleCheck(); // stands for the resume logind would tell of
    }
    QTRY_COMPARE(notifications->notifications.size(), 1);
    QCOMPARE(registered(), 0);
    if (logind) {
        QCOMPARE(logind->calls, QStringList{u"sleep|Velkari|Delivering a reminder|delay"_s});
        QCOMPARE(heldWhenShown, QList<int>{1}); // taken before the notification
        QTRY_COMPARE(logind->held(), 0);        // and let go once it is shown
    }
    QTest::qWait(100);
    QCOMPARE(notifications->notifications.size(), 1);
}

QTEST_GUILESS_MAIN(TestReminderService)
#include "tst_reminderservice.moc"
