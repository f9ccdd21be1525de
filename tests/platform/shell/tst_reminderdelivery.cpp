// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/reminders/ReminderCenter.h"
#include "platform/shell/Application.h"
#include "platform/ui/AlertView.h"
#include "support/ActiveWindow.h"
#include "support/FakeNotificationServer.h"
#include "support/MockClock.h"
#include "support/PrivateBus.h"
#include "support/RecordingDelegate.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::Application;
using platform::Reminder;

namespace {

Reminder reminder(const QString &id, qint64 secondsAhead)
{
    Reminder r;
    r.alertBody = u"Send SMS to :\nAnna Berg (555 0100) ?"_s;
    r.alertAction = u"Prepare"_s;
    r.fireDate = platform::Clock::now().addSecs(secondsAhead);
    r.soundName = platform::DefaultSoundName;
    r.userInfo = {{u"ID"_s, id}};
    r.applicationIconBadgeNumber = 1;
    return r;
}

// The app, launched and in front, with its clock under the test's control.
struct RunningApp {
    RunningApp()
    {
        auto owned = std::make_unique<RecordingDelegate>();
        delegate = owned.get();
        app = std::make_unique<Application>(std::move(owned));
        app->launch();
    }

    void toBackground()
    {
        delegate->window()->hide();
        QTRY_COMPARE(app->applicationState(), platform::ApplicationState::Background);
    }

    TestEnvironment env;
    MockClock clock;
    RecordingDelegate *delegate = nullptr;
    std::unique_ptr<Application> app;
};

} // namespace

// Which way a reminder reaches the user depends on where the app is.
class TestReminderDelivery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void inFrontTheDelegateHearsAtOnce();
    void onlyTheFocusKeepsItInTheApp_data();
    void onlyTheFocusKeepsItInTheApp();
    void inTheBackgroundTheDesktopNotifies();
    void dismissedNotificationIsNotHeard();
    void withoutNotificationsTheWindowComesUp();
    void dueAtStartWaitsForTheWindow();
    void unreadableRegistryIsReported();

private:
    PrivateBus mBus;
};

void TestReminderDelivery::initTestCase()
{
    QVERIFY2(mBus.isRunning(), "dbus-daemon did not start");
    mBus.becomeSessionBus();
}

void TestReminderDelivery::inFrontTheDelegateHearsAtOnce()
{
    RunningApp run;
    QTRY_COMPARE(run.app->applicationState(), platform::ApplicationState::Active);
    run.delegate->takeEvents();
    run.app->scheduleLocalNotification(reminder(u"A"_s, 10));
    run.clock.advance(10);
    QTRY_COMPARE(run.delegate->events(), QStringList{u"reminder A/0"_s});
    QVERIFY(run.app->scheduledLocalNotifications().isEmpty());
}

enum class Focus { MainWindow, OwnAlert, Elsewhere, Minimised };

void TestReminderDelivery::onlyTheFocusKeepsItInTheApp_data()
{
    QTest::addColumn<Focus>("focus");
    QTest::addColumn<bool>("notified");
    QTest::newRow("main window focused") << Focus::MainWindow << false;
    QTest::newRow("an alert of ours focused") << Focus::OwnAlert << false;
    // Another app in front, or the lock screen: the window is still shown.
    QTest::newRow("shown, focus elsewhere") << Focus::Elsewhere << true;
    QTest::newRow("minimised") << Focus::Minimised << true;
}

void TestReminderDelivery::onlyTheFocusKeepsItInTheApp()
{
    QFETCH(Focus, focus);
    QFETCH(bool, notified);
    QDBusConnection serverBus = mBus.connect(u"notifications-focus"_s);
    FakeNotificationServer server(serverBus);
    QVERIFY(server.isRegistered());
    PrivateBus::settle(serverBus);

    RunningApp run;
    QTRY_COMPARE(run.app->applicationState(), platform::ApplicationState::Active);
    platform::AlertView *alert = nullptr;
    switch (focus) {
    case Focus::MainWindow:
        break;
    case Focus::OwnAlert:
        alert = platform::AlertView::show(u"Velkari"_s, u"Saved"_s, nullptr, u"OK"_s);
        QTRY_VERIFY(alert->dialog() && alert->dialog()->isVisible());
        makeActiveWindow(alert->dialog());
        QTRY_COMPARE(QApplication::activeWindow(), alert->dialog());
        break;
    case Focus::Elsewhere:
        makeActiveWindow(nullptr);
        QTRY_COMPARE(run.app->applicationState(), platform::ApplicationState::Inactive);
        QVERIFY(run.delegate->window()->isVisible());
        break;
    case Focus::Minimised:
        run.delegate->window()->showMinimized();
        QTRY_COMPARE(run.app->applicationState(), platform::ApplicationState::Background);
        break;
    }
    run.delegate->takeEvents();
    run.app->scheduleLocalNotification(reminder(u"F"_s, 10));
    run.clock.advance(10);

    if (!notified) {
        QTRY_COMPARE(run.delegate->events(), QStringList{u"reminder F/0"_s});
        PrivateBus::settle(serverBus);
        QVERIFY(server.notifications.isEmpty());
        if (alert)
            alert->dismissWithClickedButtonIndex(0);
        return;
    }
    QTRY_COMPARE(server.notifications.size(), 1);
    QVERIFY(!run.delegate->events().contains(u"reminder F/0"_s));
    QVERIFY(platform::AlertView::visibleAlerts().isEmpty());
    // Answered from the notification: heard as inactive (the composer, not
    // the alert), and the window comes to the front.
    server.invoke(server.notifications.first().id, u"default"_s);
    QTRY_VERIFY(run.delegate->events().contains(u"reminder F/1"_s));
    QVERIFY(run.delegate->window()->isVisible());
    QVERIFY(!run.delegate->window()->isMinimized());
}

void TestReminderDelivery::inTheBackgroundTheDesktopNotifies()
{
    QDBusConnection serverBus = mBus.connect(u"notifications"_s);
    FakeNotificationServer server(serverBus);
    QVERIFY(server.isRegistered());
    PrivateBus::settle(serverBus);

    RunningApp run;
    run.toBackground();
    run.app->setApplicationIconBadgeNumber(5);
    run.app->scheduleLocalNotification(reminder(u"B"_s, 60));
    run.delegate->takeEvents();
    run.clock.advance(60);

    QTRY_COMPARE(server.notifications.size(), 1);
    const FakeNotificationServer::Notification shown = server.notifications.first();
    QCOMPARE(shown.appName, u"Velkari"_s);
    QCOMPARE(shown.summary, u"A message to send"_s);
    QCOMPARE(shown.body, u"Send SMS to :\nAnna Berg (555 0100) ?"_s);
    QVERIFY(shown.actions.contains(u"Prepare"_s));
    QCOMPARE(shown.hints.value(u"sound-name"_s).toString(), u"message-new-instant"_s);
    QCOMPARE(run.app->applicationIconBadgeNumber(), 1);
    QVERIFY(run.delegate->events().isEmpty()); // nothing until the user answers

    server.invoke(shown.id, u"answer"_s);
    QTRY_VERIFY(!run.delegate->events().isEmpty());
    QCOMPARE(run.delegate->events().mid(0, 2), (QStringList{u"foreground/1"_s, u"reminder B/1"_s}));
    QVERIFY(run.delegate->window()->isVisible());
    QTRY_COMPARE(server.closedByClient, QList<uint>{shown.id});
}

void TestReminderDelivery::dismissedNotificationIsNotHeard()
{
    QDBusConnection serverBus = mBus.connect(u"notifications2"_s);
    FakeNotificationServer server(serverBus);
    PrivateBus::settle(serverBus);

    RunningApp run;
    run.toBackground();
    run.app->scheduleLocalNotification(reminder(u"C"_s, 5));
    // A second one, answered after: once it is heard, so would the first
    // have been.
    run.app->scheduleLocalNotification(reminder(u"S"_s, 6));
    run.delegate->takeEvents();
    run.clock.advance(5);
    QTRY_COMPARE(server.notifications.size(), 1);
    run.clock.advance(1);
    QTRY_COMPARE(server.notifications.size(), 2);
    const uint dismissed = server.notifications.first().id;
    server.dismiss(dismissed);
    server.invoke(dismissed, u"answer"_s); // too late: it is gone
    server.invoke(server.notifications.last().id, u"answer"_s);
    QTRY_VERIFY(run.delegate->events().contains(u"reminder S/1"_s));
    QCOMPARE(run.delegate->events().mid(0, 2), (QStringList{u"foreground/1"_s, u"reminder S/1"_s}));
    QVERIFY(!run.delegate->events().join(u' ').contains(u"reminder C"_s));
}

void TestReminderDelivery::withoutNotificationsTheWindowComesUp()
{
    RunningApp run;
    run.toBackground();
    run.app->scheduleLocalNotification(reminder(u"D"_s, 5));
    run.delegate->takeEvents();
    run.clock.advance(5);

    // No server answers on this bus: the window itself comes up, and the
    // reminder is heard once it is in front.
    QTRY_VERIFY(run.delegate->window()->isVisible());
    if (!run.delegate->window()->isActiveWindow())
        run.delegate->window()->activateWindow();
    QTRY_VERIFY(run.delegate->events().contains(u"reminder D/0"_s));
    const QStringList events = run.delegate->events();
    QCOMPARE(events.first(), u"foreground/1"_s);
    QVERIFY(events.indexOf(u"active/0"_s) < events.indexOf(u"reminder D/0"_s));
}

void TestReminderDelivery::dueAtStartWaitsForTheWindow()
{
    TestEnvironment env;
    MockClock clock;
    {
        platform::ReminderCenter center;
        center.scheduleLocalNotification(reminder(u"E"_s, 30));
    }
    clock.advance(3600); // passed while the app was closed

    auto owned = std::make_unique<RecordingDelegate>();
    RecordingDelegate *delegate = owned.get();
    Application app(std::move(owned));
    app.launch();
    QTRY_VERIFY(delegate->events().contains(u"reminder E/0"_s));
    const QStringList events = delegate->events();
    QVERIFY(events.indexOf(u"active/0"_s) < events.indexOf(u"reminder E/0"_s));
    QCOMPARE(events.count(u"reminder E/0"_s), 1);
}

void TestReminderDelivery::unreadableRegistryIsReported()
{
    TestEnvironment env;
    const QString path = platform::ReminderCenter::defaultRegistryPath();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(writeFile(path, "not a property list"));

    Application app(std::make_unique<RecordingDelegate>());
    app.launch();
    // Not read while the window comes up: only after its first rows are drawn.
    QVERIFY(QFile::exists(path));
    QTRY_COMPARE(platform::AlertView::visibleAlerts().size(), 1);
    const QList<platform::AlertView *> alerts = platform::AlertView::visibleAlerts();
    QVERIFY(alerts.first()->message().contains(app.reminderCenter()->keptAsidePath()));
    QCOMPARE(readFile(app.reminderCenter()->keptAsidePath()), QByteArray("not a property list"));
    alerts.first()->dismissWithClickedButtonIndex(0);
}

QTEST_MAIN(TestReminderDelivery)
#include "tst_reminderdelivery.moc"
