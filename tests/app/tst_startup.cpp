// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VelkariAppDelegate.h"
#include "platform/core/PropertyList.h"
#include "platform/shell/Application.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "screens/VelkariViewController.h"
#include "support/MockClock.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;
using namespace velkari;

namespace {

// Our log lines only (Qt's own warnings may share the file), without the
// time stamp and process.
QStringList logMessages(const QString &text)
{
    QStringList messages;
    for (const QString &line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype end = line.indexOf(u"] "_s);
        if (end > 0 && line.left(end).contains(u'['))
            messages.append(line.mid(end + 2));
    }
    return messages;
}

QString logFileName(const QDateTime &launch)
{
    return launch.toString(u"yyyy-MM-dd HH:mm:ss"_s) + u" +0000.log"_s;
}

QVariantList record(const QString &id, const QDateTime &date, const QString &status,
                    const QString &repeat)
{
    return {id, u"Anna Berg"_s, u"555 0100"_s, date, u"Hi"_s, status, repeat};
}

// One run of the app in this process, from launch to the end of the test
// step, with standard error captured as the process found it.
struct Launch {
    Launch()
    {
        auto owned = std::make_unique<VelkariAppDelegate>();
        delegate = owned.get();
        app = std::make_unique<platform::Application>(std::move(owned));
        app->launch();
    }
    ~Launch()
    {
        for (platform::AlertView *alert : platform::AlertView::visibleAlerts())
            alert->dismissWithClickedButtonIndex(0);
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    StderrCapture originalStderr;
    VelkariAppDelegate *delegate = nullptr;
    std::unique_ptr<platform::Application> app;
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void plainLaunchLogsItsSteps();
    void twoLaunchesWriteTwoLogs();
    void launchesInOneSecondShareTheLog();
    void badgeCountsUpcomingSchedules();
    void returningToTheForegroundRecounts();
    void unreadableStoreIsReportedAndKept();
    void folderThatCannotBeMadeIsReported();
    void documentsPathThatIsNotAscii();
    void failedSaveIsReported();
    void quittingWritesNothing();
};

void TestStartup::plainLaunchLogsItsSteps()
{
    TestEnvironment env;
    MockClock clock;
    Launch run;

    QCOMPARE(logMessages(run.originalStderr.text()),
             QStringList{u"redirecting logs "_s + env.documents()});
    QCOMPARE(run.delegate->mDocsPath(), env.documents());

    const QString logPath = env.documents() + u'/' + logFileName(platform::Clock::now());
    QCOMPARE(logFileName(platform::Clock::now()), u"2026-12-07 10:11:12 +0000.log"_s);
    QCOMPARE(logMessages(QString::fromUtf8(readFile(logPath))),
             (QStringList{u"Initing App."_s, u"VelkariViewController Load Data Function"_s,
                          env.documents(), u"Velkari.dat doesn't exist"_s,
                          u"Velkari.dat created successfully"_s, u"0"_s, u"icon=0"_s}));

    QVERIFY(QFileInfo::exists(env.dataFile()));
    QCOMPARE(run.delegate->mDataPath(), env.dataFile());
    QCOMPARE(run.delegate->mRepeatList(),
             (QStringList{u"None"_s, u"Every Hour"_s, u"Every Day"_s, u"Every Week"_s,
                          u"Eevery Month"_s, u"Every Year"_s}));

    platform::Window *window = run.delegate->window();
    QVERIFY(window->isVisible());
    QCOMPARE(window->rootViewController(), run.delegate->viewController());
    QCOMPARE(run.delegate->viewController()->mTableView()->numberOfRows(), 0);
    QCOMPARE(window->windowTitle(), u"Velkari"_s);
    QVERIFY(window->height() > window->width());
}

void TestStartup::twoLaunchesWriteTwoLogs()
{
    TestEnvironment env;
    MockClock clock;
    {
        Launch first;
    }
    clock.advance(1);
    {
        Launch second;
    }

    const QStringList logs = QDir(env.documents()).entryList({u"*.log"_s}, QDir::Files, QDir::Name);
    QCOMPARE(logs,
             (QStringList{u"2026-12-07 10:11:12 +0000.log"_s, u"2026-12-07 10:11:13 +0000.log"_s}));
    QCOMPARE(logMessages(QString::fromUtf8(readFile(env.documents() + u'/' + logs[1]))),
             (QStringList{u"Initing App."_s, u"VelkariViewController Load Data Function"_s,
                          env.documents(), u"0"_s, u"icon=0"_s}));
}

void TestStartup::launchesInOneSecondShareTheLog()
{
    TestEnvironment env;
    MockClock clock;
    {
        Launch first;
    }
    {
        Launch second;
    }
    const QStringList logs = QDir(env.documents()).entryList({u"*.log"_s}, QDir::Files);
    QCOMPARE(logs.size(), 1);
    const QStringList messages =
        logMessages(QString::fromUtf8(readFile(env.documents() + u'/' + logs[0])));
    QCOMPARE(messages.count(u"Initing App."_s), 2);
    QCOMPARE(messages.first(), u"Initing App."_s);
}

void TestStartup::badgeCountsUpcomingSchedules()
{
    TestEnvironment env;
    MockClock clock;
    QVERIFY(QDir().mkpath(env.documents()));
    // Four of its seven records are upcoming: two unsent ones due in 2099 and
    // two repeating ones; the damaged ones never count.
    QVERIFY(writeFile(env.dataFile(), readFile(testDataPath(u"store/plistlib-store.plist"_s))));
    Launch run;
    QCOMPARE(run.app->applicationIconBadgeNumber(), 4);
    QCOMPARE(run.delegate->window()->windowTitle(), u"Velkari (4)"_s);
    QCOMPARE(run.delegate->viewController()->mTableView()->numberOfRows(), 7);
    const QString log =
        QString::fromUtf8(readFile(env.documents() + u'/' + logFileName(platform::Clock::now())));
    QCOMPARE(logMessages(log).last(), u"icon=4"_s);
}

void TestStartup::returningToTheForegroundRecounts()
{
    TestEnvironment env;
    MockClock clock;
    QVERIFY(QDir().mkpath(env.documents()));
    const QDateTime now = platform::Clock::now();
    QVERIFY(platform::PropertyList::writeFile(
        env.dataFile(), QVariantList{record(u"A"_s, now.addSecs(60), u"0"_s, u"0"_s),
                                     record(u"B"_s, now.addSecs(-60), u"1"_s, u"2"_s)}));
    Launch run;
    QCOMPARE(run.app->applicationIconBadgeNumber(), 2);

    platform::Window *window = run.delegate->window();
    window->hide();
    QTRY_COMPARE(run.app->applicationState(), platform::ApplicationState::Background);
    clock.advance(120); // A's moment passes while the app is away
    QCOMPARE(run.app->applicationIconBadgeNumber(), 2);

    run.app->bringToFront();
    QTRY_COMPARE(run.app->applicationIconBadgeNumber(), 1);
    QCOMPARE(window->windowTitle(), u"Velkari (1)"_s);
}

void TestStartup::unreadableStoreIsReportedAndKept()
{
    TestEnvironment env;
    MockClock clock;
    QVERIFY(QDir().mkpath(env.documents()));
    const QByteArray damaged = "<?xml version=\"1.0\"?><plist><dict/></plist>";
    QVERIFY(writeFile(env.dataFile(), damaged));

    Launch run;
    QCOMPARE(run.app->applicationIconBadgeNumber(), 0);
    QVERIFY(!run.delegate->store().mList());
    const QList<platform::AlertView *> alerts = platform::AlertView::visibleAlerts();
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0]->title(), u"Velkari"_s);
    QCOMPARE(alerts[0]->message(),
             u"Failed to read "_s + env.dataFile() +
                 u"!\nThe file is left as it is; new schedules can't be saved until it is "
                 "repaired."_s);
    QCOMPARE(alerts[0]->buttonTitleAtIndex(0), u"OK"_s);
    QCOMPARE(alerts[0]->numberOfButtons(), 1);

    run.delegate->viewController()->SaveData();
    QCOMPARE(readFile(env.dataFile()), damaged);
}

void TestStartup::folderThatCannotBeMadeIsReported()
{
    TestEnvironment env;
    MockClock clock;
    QVERIFY(QDir().mkpath(env.dataHome()));
    QVERIFY(writeFile(env.dataHome() + u"/Velkari"_s, "in the way"));

    Launch run;
    const QList<platform::AlertView *> alerts = platform::AlertView::visibleAlerts();
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0]->message(), u"Failed to create "_s + env.dataFile() +
                                       u"!\nPlease check permissions of the folder"_s);
    // With no log file the lines stay on standard error; the app runs on.
    const QStringList messages = logMessages(run.originalStderr.text());
    QVERIFY(messages.contains(u"Velkari.dat creation failed"_s));
    QCOMPARE(messages.last(), u"icon=0"_s);
    QVERIFY(run.delegate->window()->isVisible());
}

void TestStartup::documentsPathThatIsNotAscii()
{
    TestEnvironment env;
    MockClock clock;
    const QString home = env.root() + u"/Dätä 数据"_s;
    env.setDataHome(home);
    Launch run;
    const QString documents = home + u"/Velkari/Documents"_s;
    const QString log =
        QString::fromUtf8(readFile(documents + u'/' + logFileName(platform::Clock::now())));
    QCOMPARE(logMessages(log).first(), u"Initing App."_s);
    QCOMPARE(logMessages(log).at(2), documents);
}

void TestStartup::failedSaveIsReported()
{
    TestEnvironment env;
    MockClock clock;
    Launch run;
    const QByteArray before = readFile(env.dataFile());
    for (int i = 0; i < 20; ++i)
        run.delegate->mList()->append(
            QVariant(record(u"ID%1"_s.arg(i), platform::Clock::now(), u"0"_s, u"0"_s)));

    // A full disk: writes beyond the limit fail.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = rlim_t(before.size() + 200);
    ::setrlimit(RLIMIT_FSIZE, &small);
    run.delegate->viewController()->SaveData();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(readFile(env.dataFile()), before);
    const QList<platform::AlertView *> alerts = platform::AlertView::visibleAlerts();
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0]->title(), u"Velkari"_s);
    QCOMPARE(alerts[0]->message(), u"Failed to save "_s + env.dataFile() +
                                       u"!\nPlease check permissions of the folder"_s);
}

void TestStartup::quittingWritesNothing()
{
    TestEnvironment env;
    MockClock clock;
    Launch run;
    const QString logPath = env.documents() + u'/' + logFileName(platform::Clock::now());
    const QByteArray store = readFile(env.dataFile());
    const QByteArray log = readFile(logPath);
    run.app->terminate();
    QCOMPARE(readFile(env.dataFile()), store);
    QCOMPARE(readFile(logPath), log);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
