// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/LauncherEntry.h"
#include "platform/shell/Application.h"
#include "platform/shell/ApplicationDelegate.h"
#include "platform/ui/Window.h"
#include "support/ActiveWindow.h"
#include "support/PrivateBus.h"
#include "support/RecordingDelegate.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::Application;
using platform::ApplicationState;

namespace {

class SignalCatcher : public QObject {
    Q_OBJECT
public:
    QList<QVariantList> updates;
public Q_SLOTS:
    void update(const QDBusMessage &message) { updates.append(message.arguments()); }
};

} // namespace

class TestApplication : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void launchesThroughTheDelegate();
    void mapsWindowEventsToLifeEvents();
    void closingWithoutTrayTerminatesOnce();
    void showsTheBadgeInTheTitle_data();
    void showsTheBadgeInTheTitle();
    void publishesTheBadgeOnTheSessionBus();

private:
    TestEnvironment mEnvironment;
};

void TestApplication::launchesThroughTheDelegate()
{
    auto owned = std::make_unique<RecordingDelegate>();
    RecordingDelegate *delegate = owned.get();
    Application app(std::move(owned));
    QCOMPARE(Application::shared(), &app);
    QCOMPARE(app.applicationState(), ApplicationState::Inactive);
    QVERIFY(app.launch());
    QCOMPARE(delegate->takeEvents().first(), u"launch/1"_s);
    QCOMPARE(app.keyWindow(), delegate->window());
    QVERIFY(delegate->window()->isVisible());
}

void TestApplication::mapsWindowEventsToLifeEvents()
{
    auto owned = std::make_unique<RecordingDelegate>();
    RecordingDelegate *delegate = owned.get();
    Application app(std::move(owned));
    app.launch();
    platform::Window *window = delegate->window();
    QTRY_COMPARE(app.applicationState(), ApplicationState::Active);
    QCOMPARE(delegate->takeEvents(), (QStringList{u"launch/1"_s, u"active/0"_s}));

    window->showMinimized();
    QTRY_COMPARE(app.applicationState(), ApplicationState::Background);
    QCOMPARE(delegate->takeEvents(), (QStringList{u"resign/0"_s, u"background/2"_s}));

    app.bringToFront();
    QTRY_COMPARE(app.applicationState(), ApplicationState::Active);
    QCOMPARE(delegate->takeEvents(), (QStringList{u"foreground/1"_s, u"active/0"_s}));

    window->hide();
    QTRY_COMPARE(app.applicationState(), ApplicationState::Background);
    QCOMPARE(delegate->takeEvents(), (QStringList{u"resign/0"_s, u"background/2"_s}));
    window->hide(); // hiding twice is still one trip to the background
    // The app reads the window's state in a call queued behind the window's
    // events: one queued after the hide runs after it.
    bool queuedAfter = false;
    QMetaObject::invokeMethod(
        &app, [&queuedAfter] { queuedAfter = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(queuedAfter);
    QVERIFY(delegate->takeEvents().isEmpty());

    app.bringToFront();
    QTRY_COMPARE(app.applicationState(), ApplicationState::Inactive);
    QCOMPARE(delegate->takeEvents(), (QStringList{u"foreground/1"_s}));
    // The offscreen platform does not give the focus back to a window shown
    // again, nor on activateWindow(); a window manager would.
    makeActiveWindow(window);
    QTRY_COMPARE(app.applicationState(), ApplicationState::Active);
    QCOMPARE(delegate->takeEvents(), (QStringList{u"active/0"_s}));
}

void TestApplication::closingWithoutTrayTerminatesOnce()
{
    auto owned = std::make_unique<RecordingDelegate>();
    RecordingDelegate *delegate = owned.get();
    Application app(std::move(owned));
    app.launch();
    QTRY_COMPARE(app.applicationState(), ApplicationState::Active);
    delegate->takeEvents();

    // The offscreen platform has no system tray, so closing quits.
    delegate->window()->close();
    QCOMPARE(delegate->takeEvents(),
             (QStringList{u"resign/0"_s, u"background/2"_s, u"terminate/2"_s}));
    app.terminate();
    QVERIFY(delegate->takeEvents().isEmpty());
}

void TestApplication::showsTheBadgeInTheTitle_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("title");
    QTest::newRow("none") << 0 << u"Velkari"_s;
    QTest::newRow("three") << 3 << u"Velkari (3)"_s;
    QTest::newRow("below zero shows none") << -1 << u"Velkari"_s;
}

void TestApplication::showsTheBadgeInTheTitle()
{
    QFETCH(int, number);
    QFETCH(QString, title);
    auto owned = std::make_unique<RecordingDelegate>();
    RecordingDelegate *delegate = owned.get();
    Application app(std::move(owned));
    app.launch();
    app.setApplicationIconBadgeNumber(7);
    app.setApplicationIconBadgeNumber(number);
    QCOMPARE(app.applicationIconBadgeNumber(), number);
    QCOMPARE(delegate->window()->windowTitle(), title);
}

void TestApplication::publishesTheBadgeOnTheSessionBus()
{
    // No bus is no error.
    QVERIFY(!platform::LauncherEntry::publish(QDBusConnection(u"not connected"_s), 3));

    PrivateBus bus;
    QVERIFY2(bus.isRunning(), "dbus-daemon did not start");
    QDBusConnection listener = bus.connect(u"listener"_s);
    QDBusConnection sender = bus.connect(u"sender"_s);
    QVERIFY(listener.isConnected() && sender.isConnected());

    SignalCatcher catcher;
    QVERIFY(listener.connect(QString(), QString(), u"com.canonical.Unity.LauncherEntry"_s,
                             u"Update"_s, &catcher, SLOT(update(QDBusMessage))));
    PrivateBus::settle(listener);
    QVERIFY(platform::LauncherEntry::publish(sender, 3));
    QVERIFY(platform::LauncherEntry::publish(sender, 0));
    QTRY_COMPARE(catcher.updates.size(), 2);

    const QVariantList first = catcher.updates.at(0);
    QCOMPARE(first.at(0).toString(), u"application://org.velkari.Velkari.desktop"_s);
    const QVariantMap shown = qdbus_cast<QVariantMap>(first.at(1));
    QCOMPARE(shown.value(u"count"_s).toLongLong(), 3);
    QCOMPARE(shown.value(u"count-visible"_s).toBool(), true);
    const QVariantMap hidden = qdbus_cast<QVariantMap>(catcher.updates.at(1).at(1));
    QCOMPARE(hidden.value(u"count-visible"_s).toBool(), false);
}

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
