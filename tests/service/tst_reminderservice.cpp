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
#include "support/Sentinel.h"
#include "support/TestEnvironment.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/inotify.h>
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
    ReminderCenter center(ReminderCenter::defaultRegistryPath());
    center.scheduleLocalNotification(r);
    QVERIFY(center.flush(QDeadlineTimer(30000)));
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

QProcess *startProgram(QProcess &process, const QString &program, const QString &busAddress,
                       const QStringList &more = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, busAddress);
    for (const QString &setting : more)
        env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
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

// Whether the process is stopped (SIGSTOP), as /proc tells.
bool isStopped(qint64 pid)
{
    const QByteArray stat = readFile(u"/proc/%1/stat"_s.arg(pid));
    return stat.mid(stat.lastIndexOf(')') + 2, 1) == "t" ||
           stat.mid(stat.lastIndexOf(')') + 2, 1) == "T";
}

// Tells when some process opens a file (inotify), from the moment it is made.
class OpenWatch {
public:
    explicit OpenWatch(const QString &path)
        : mFd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        ::inotify_add_watch(mFd, QFile::encodeName(path).constData(), IN_OPEN);
    }
    ~OpenWatch() { ::close(mFd); }
    OpenWatch(const OpenWatch &) = delete;
    OpenWatch &operator=(const OpenWatch &) = delete;
    // Stays true once it was.
    bool opened()
    {
        char events[4096];
        mOpened = mOpened || ::read(mFd, events, sizeof events) > 0;
        return mOpened;
    }

private:
    int mFd;
    bool mOpened = false;
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
    // Called as each Inhibit arrives, before it is answered.
    std::function<void()> onInhibit;
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
        if (onInhibit)
            onInhibit();
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

// Counts the resumes logind tells a connection of.
class ResumeCounter : public QObject {
    Q_OBJECT

public:
    int resumes = 0;

public Q_SLOTS:
    void onPrepareForSleep(bool sleeping)
    {
        if (!sleeping)
            ++resumes;
    }
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
    void endsWhenItsDataFolderGoes_data();
    void endsWhenItsDataFolderGoes();

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
    QSignalSpy fired(service.center(), &ReminderCenter::reminderFired);

    clock.advance(59);
    QVERIFY(passPostedEvents());
    QCOMPARE(fired.size(), 0);
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
    QSignalSpy fired(service.center(), &ReminderCenter::reminderFired);
    clock.advance(120);
    QVERIFY(passPostedEvents());
    QCOMPARE(fired.size(), 0);
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
    registerReminder(reminder(u"B"_s, platform::Clock::now().addSecs(5)));
    StderrCapture log;
    ReminderService service(mServiceBus);
    // Starting it fails at once and says so, in the order of the answers.
    const QString app = mEnv->root() + u"/no-such-app"_s;
    service.setApplicationCommand(app);
    QVERIFY(service.start());
    clock.advance(5);
    QTRY_COMPARE(notifications->notifications.size(), 2);
    notifications->dismiss(notifications->notifications.at(0).id);
    notifications->invoke(notifications->notifications.at(0).id, u"answer"_s);
    // B's answer, sent after A's, is heard after it.
    notifications->invoke(notifications->notifications.at(1).id, u"answer"_s);
    const QString tried = u"Cannot start "_s + app;
    QTRY_VERIFY(log.text().contains(tried));
    QCOMPARE(log.text().count(tried), 1);
}

void TestReminderService::withoutNotificationsNothingIsTaken()
{
    MockClock clock;
    registerReminder(reminder(u"A"_s, platform::Clock::now().addSecs(5)));
    StderrCapture log;
    ReminderService service(mServiceBus); // no notification server on this bus
    QVERIFY(service.start());
    QSignalSpy fired(service.center(), &ReminderCenter::reminderFired);
    clock.advance(10);
    QVERIFY(passPostedEvents());
    QCOMPARE(fired.size(), 0);
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
    QSignalSpy fired(service.center(), &ReminderCenter::reminderFired);
    clock.advance(10);
    QVERIFY(passPostedEvents());
    QCOMPARE(fired.size(), 0);
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
        QVERIFY(passPostedEvents()); // the check after a firing
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
    const QDBusConnection serviceSystemBus = systemBus.connect(u"velkari-system"_s);
    service.setSystemBus(serviceSystemBus);
    QVERIFY(service.start());
    QSignalSpy fired(service.center(), &ReminderCenter::reminderFired);
    // Heard on the service's own connection, beside the service.
    ResumeCounter heard;
    QDBusConnection(serviceSystemBus)
        .connect(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s,
                 u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s, &heard,
                 SLOT(onPrepareForSleep(bool)));
    PrivateBus::settle(serviceSystemBus);
    QVERIFY(passPostedEvents());
    QCOMPARE(fired.size(), 0);
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
        // Both resumes were delivered with this one; the checks they asked
        // for come after.
        QTRY_COMPARE(heard.resumes, 2);
    }
    QVERIFY(passPostedEvents());
    QVERIFY(passPostedEvents());
    QCOMPARE(fired.size(), 1);
    QCOMPARE(notifications->notifications.size(), 1);
}

void TestReminderService::endsWhenItsDataFolderGoes_data()
{
    QTest::addColumn<QString>("stage");
    QTest::addColumn<QString>("pauseAt"); // stopped there, the folder goes, it goes on
    QTest::addColumn<bool>("due");        // a reminder due at once, or in an hour
    QTest::addColumn<bool>("madeAgain");  // the folder may come back (empty)

    QTest::newRow("before it starts") << u"before"_s << QString() << false << false;
    QTest::newRow("as it starts, not yet watching") << QString() << u"start"_s << false << false;
    // Opening its lock makes the folder again: heard, all the same.
    QTest::newRow("watching, lock not yet taken") << QString() << u"watching"_s << true << true;
    QTest::newRow("registry read, not yet fired") << QString() << u"read"_s << true << false;
    QTest::newRow("idle") << u"idle"_s << QString() << false << false;
    QTest::newRow("standing aside for the app") << u"app"_s << QString() << true << false;
    QTest::newRow("showing a reminder") << u"notify"_s << QString() << true << false;
    QTest::newRow("keeping the device awake") << u"inhibit"_s << QString() << true << false;
}

// The folder (with the registry in it) is deleted at a moment of the
// service's start or work; the service ends, and nothing it held comes
// back.
void TestReminderService::endsWhenItsDataFolderGoes()
{
    QFETCH(QString, stage);
    QFETCH(QString, pauseAt);
    QFETCH(bool, due);
    QFETCH(bool, madeAgain);
    const QString folder = mEnv->dataHome() + u"/Velkari"_s;
    const auto deleteFolder = [folder] {
        QVERIFY(QDir(folder).removeRecursively());
    };

    const auto notifications = server();
    PrivateBus systemBus;
    QVERIFY(systemBus.isRunning());
    LogindStandIn logind(systemBus.connect(u"logind"_s));
    registerReminder(reminder(u"A"_s, QDateTime::currentDateTimeUtc().addSecs(due ? -1 : 3600)));
    // An app that ran once and quit: its lock file is there, free.
    std::optional<RunningApp> app;
    app.emplace();
    if (stage != u"app")
        app.reset();
    OpenWatch appLock(platform::applicationLockPath());
    if (stage == u"notify")
        notifications->onNotify = deleteFolder;
    if (stage == u"inhibit")
        logind.onInhibit = deleteFolder;
    if (stage == u"before")
        deleteFolder();

    QProcess service;
    QSignalSpy finished(&service, &QProcess::finished);
    startProgram(service, QStringLiteral(VELKARI_REMINDERS_BINARY), mBus.address(),
                 {u"DBUS_SYSTEM_BUS_ADDRESS="_s + systemBus.address(),
                  u"VELKARI_REMINDERS_PAUSE_AT="_s + pauseAt});
    if (!pauseAt.isEmpty()) {
        QTRY_VERIFY(isStopped(service.processId()));
        deleteFolder();
        ::kill(pid_t(service.processId()), SIGCONT);
    } else if (stage == u"idle" || stage == u"app") {
        // Its first look at the app (FileLock::isHeld) opens the app's lock.
        QTRY_VERIFY(appLock.opened());
        deleteFolder();
    }
    QVERIFY(!finished.isEmpty() || finished.wait(60000));
    QCOMPARE(service.exitStatus(), QProcess::NormalExit);
    QCOMPARE(service.exitCode(), 0);
    const QString said = QString::fromLocal8Bit(service.readAllStandardError());
    QVERIFY2(said.contains(u"is gone; velkari-reminders ends."_s), qPrintable(said));
    QVERIFY(!QFileInfo::exists(ReminderCenter::defaultRegistryPath()));
    if (!madeAgain)
        QVERIFY(!QFileInfo::exists(folder));
    if (stage == u"notify")
        QCOMPARE(notifications->notifications.size(), 1);
    if (stage == u"inhibit")
        QCOMPARE(logind.calls.size(), 1);
}

QTEST_GUILESS_MAIN(TestReminderService)
#include "tst_reminderservice.moc"
