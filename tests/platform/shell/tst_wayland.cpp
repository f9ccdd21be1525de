// SPDX-License-Identifier: GPL-3.0-or-later
// Velkari as a Wayland client of the phone's own compositor (phoc), started
// by the test on a runtime folder and display of its own: where a reminder
// goes while another app is in front, and how the window comes to the front
// with the token a launcher or the notification server gives.

#include "platform/core/FileLock.h"
#include "platform/core/StandardPaths.h"
#include "platform/shell/Application.h"
#include "support/FakeNotificationServer.h"
#include "support/MockClock.h"
#include "support/PhoneCompositor.h"
#include "support/PrivateBus.h"
#include "support/RecordingDelegate.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/prctl.h>

using namespace Qt::Literals::StringLiterals;
using platform::Application;
using platform::ApplicationState;
using platform::Reminder;

namespace {

PhoneCompositor *compositor = nullptr;
PrivateBus *sessionBus = nullptr;

Reminder reminder(const QString &id)
{
    Reminder r;
    r.alertBody = u"Send SMS to :\nAnna Berg (555 0100) ?"_s;
    r.alertAction = u"Prepare"_s;
    r.fireDate = platform::Clock::now().addSecs(10);
    r.soundName = platform::DefaultSoundName;
    r.userInfo = {{u"ID"_s, id}};
    return r;
}

// How often the app's keyboard entered or left one of its windows, from
// its protocol log (WAYLAND_DEBUG=client), which lands in its log files.
// libwayland 1.23 (Debian 13) writes "wl_keyboard#12", 1.21 "wl_keyboard@12".
int keyboardEvents(const TestEnvironment &env, const QString &event)
{
    const QRegularExpression line(u"wl_keyboard[@#]\\d+\\."_s + event + u"\\("_s);
    int count = 0;
    for (const QString &log : QDir(env.documents()).entryList({u"*.log"_s}, QDir::Files)) {
        const QString text = QString::fromUtf8(readFile(env.documents() + u'/' + log));
        for (auto match = line.globalMatch(text); match.hasNext(); match.next())
            ++count;
    }
    return count;
}

// Another app, opened as a user opens one: it maps a window and phoc gives
// it the focus.
const QStringList otherApp{u"weston-simple-shm"_s};

} // namespace

class TestWayland : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void aReminderGoesWhereTheFocusIs_data();
    void aReminderGoesWhereTheFocusIs();
    void theWindowComesUpWithItsToken_data();
    void theWindowComesUpWithItsToken();

private:
    int mConnections = 0;
};

void TestWayland::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), u"wayland"_s);
    QVERIFY(sessionBus->isRunning());
}

void TestWayland::aReminderGoesWhereTheFocusIs_data()
{
    QTest::addColumn<bool>("otherAppInFront");
    QTest::addColumn<bool>("serverSendsToken");
    QTest::newRow("Velkari's window has the focus") << false << false;
    QTest::newRow("another app in front, answered on Phosh (no token)") << true << false;
    QTest::newRow("another app in front, answered with the server's token") << true << true;
}

void TestWayland::aReminderGoesWhereTheFocusIs()
{
    QFETCH(bool, otherAppInFront);
    QFETCH(bool, serverSendsToken);
    QDBusConnection serverBus = sessionBus->connect(u"notifications%1"_s.arg(++mConnections));
    FakeNotificationServer server(serverBus);
    QVERIFY(server.isRegistered());
    PrivateBus::settle(serverBus);

    TestEnvironment env;
    MockClock clock;
    auto owned = std::make_unique<RecordingDelegate>();
    RecordingDelegate *delegate = owned.get();
    Application app(std::move(owned));
    app.launch();
    // phoc gives a newly mapped window the focus.
    QTRY_COMPARE_WITH_TIMEOUT(app.applicationState(), ApplicationState::Active, 20000);

    pid_t other = -1;
    if (otherAppInFront) {
        other = compositor->startClient(otherApp);
        QVERIFY(other > 0);
        // The window stays shown: Wayland never says it is covered.
        QTRY_COMPARE_WITH_TIMEOUT(app.applicationState(), ApplicationState::Inactive, 20000);
        QVERIFY(delegate->window()->isVisible());
    }
    delegate->takeEvents();
    app.scheduleLocalNotification(reminder(u"R"_s));
    clock.advance(10);

    if (!otherAppInFront) {
        QTRY_COMPARE(delegate->events(), QStringList{u"reminder R/0"_s});
        PrivateBus::settle(serverBus);
        QVERIFY(server.notifications.isEmpty());
        return;
    }
    QTRY_COMPARE(server.notifications.size(), 1);
    QVERIFY(delegate->events().isEmpty()); // no alert over the other app
    QCOMPARE(app.applicationState(), ApplicationState::Inactive);

    const uint id = server.notifications.first().id;
    QString token;
    if (serverSendsToken) {
        token = compositor->activationToken(u"org.gnome.Shell"_s);
        QVERIFY(!token.isEmpty());
        serverBus.send(QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_s,
                                                  u"org.freedesktop.Notifications"_s,
                                                  u"ActivationToken"_s)
                       << id << token);
    }
    server.invoke(id, u"default"_s);
    QTRY_VERIFY(delegate->events().contains(u"reminder R/1"_s));
    // In front again, with the focus taken from the other app.
    QTRY_VERIFY2_WITH_TIMEOUT(app.applicationState() == ApplicationState::Active,
                              compositor->log().right(3000).constData(), 20000);
    if (serverSendsToken)
        QVERIFY(compositor->waitForLog("via token '" + token.toUtf8() + "'"));
    compositor->endClient(other);
}

void TestWayland::theWindowComesUpWithItsToken_data()
{
    QTest::addColumn<bool>("secondStart");
    QTest::addColumn<QString>("variable");
    QTest::newRow("started by the service, XDG_ACTIVATION_TOKEN")
        << false << u"XDG_ACTIVATION_TOKEN"_s;
    // Debian 12's GLib, as Phosh's app grid starts a program.
    QTest::newRow("started from the app grid, DESKTOP_STARTUP_ID")
        << false << u"DESKTOP_STARTUP_ID"_s;
    QTest::newRow("second start raises the first copy, XDG_ACTIVATION_TOKEN")
        << true << u"XDG_ACTIVATION_TOKEN"_s;
    QTest::newRow("second start from the app grid, DESKTOP_STARTUP_ID")
        << true << u"DESKTOP_STARTUP_ID"_s;
}

void TestWayland::theWindowComesUpWithItsToken()
{
    QFETCH(bool, secondStart);
    QFETCH(QString, variable);
    TestEnvironment env;
    // Held here, the app finds the reminder service running and starts
    // none that would outlive the test.
    platform::FileLock serviceLock(platform::reminderServiceLockPath());
    QVERIFY(serviceLock.lock(false));

    const auto start = [](const QString &name, const QString &token) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"XDG_ACTIVATION_TOKEN"_s);
        environment.remove(u"DESKTOP_STARTUP_ID"_s);
        if (!token.isEmpty())
            environment.insert(name, token);
        environment.insert(u"WAYLAND_DEBUG"_s, u"client"_s);
        process->setProcessEnvironment(environment);
        // Gone with a test that dies: with the compositor gone as well, an
        // orderly exit is not to be waited for.
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process->start(QStringLiteral(VELKARI_BINARY), {});
        return process;
    };
    const QString token = compositor->activationToken(u"sm.puri.Phosh"_s);
    QVERIFY(!token.isEmpty());

    std::unique_ptr<QProcess> first = start(variable, secondStart ? QString() : token);
    QVERIFY(first->waitForStarted());
    // Up and in front, as phoc puts every new window: the app's own
    // protocol log (WAYLAND_DEBUG, in its log file) says its window has the
    // keyboard. phoc's log does not do for this: Debian 13's (0.46) no longer
    // names the app of a new window.
    QTRY_VERIFY2_WITH_TIMEOUT(keyboardEvents(env, u"enter"_s) > 0,
                              compositor->log().right(3000).constData(), 20000);
    pid_t other = -1;
    if (secondStart) {
        other = compositor->startClient(otherApp);
        // It lost the keyboard to the other app.
        QTRY_VERIFY_WITH_TIMEOUT(keyboardEvents(env, u"leave"_s) > 0, 20000);
        const int enters = keyboardEvents(env, u"enter"_s);
        std::unique_ptr<QProcess> second = start(variable, token);
        QVERIFY(second->waitForFinished(20000));
        QCOMPARE(second->exitCode(), 0);
        // And has it back.
        QTRY_VERIFY_WITH_TIMEOUT(keyboardEvents(env, u"enter"_s) > enters, 20000);
    }
    // phoc takes only a token it handed out, and says so for the view it
    // lets into the front (xdg-activation-v1.c).
    QVERIFY2(compositor->waitForLog("via token '" + token.toUtf8() + "'"),
             compositor->log().right(3000).constData());
    compositor->endClient(other);
    first->terminate();
    QVERIFY(first->waitForFinished(20000));
}

int main(int argc, char **argv)
{
    // Before the Qt application, which connects to it.
    PhoneCompositor phone;
    if (!phone.isRunning()) {
        std::fprintf(stderr, "The compositor did not start: %s\n", qPrintable(phone.error()));
        return 1;
    }
    phone.becomeTheSessionsCompositor();
    compositor = &phone;
    // Named before the Qt application too: Qt 6.8 asks the session bus for
    // the desktop's settings while it starts, and keeps that connection.
    auto bus = std::make_unique<PrivateBus>();
    bus->becomeSessionBus();
    sessionBus = bus.get();
    QApplication app(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral(VELKARI_APP_ID));
    TestWayland test;
    const int failed = QTest::qExec(&test, argc, argv);
    bus.reset(); // while Qt's D-Bus, which its connections belong to, still runs
    return failed;
}

#include "tst_wayland.moc"
