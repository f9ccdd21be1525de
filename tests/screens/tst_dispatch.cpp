// A reminder reaching the app, the reminder alert, the composer and what a
// sent message leaves behind. Sending goes through a stand-in ModemManager on
// a private bus that plays the system bus.

#include "platform/ImageView.h"
#include "platform/MessageComposer.h"
#include "platform/TextView.h"
#include "platform/Window.h"
#include "screens/TableCellView.h"
#include "screens/VelkariViewController.h"
#include "support/AppHarness.h"
#include "support/MockClock.h"
#include "support/ModemStandIn.h"
#include "support/PrivateBus.h"

#include <QJsonArray>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::AlertView;
using platform::MessageComposer;
using platform::Reminder;

namespace {

QVariantList record(const QString &id, const QString &name, const QString &text,
                    qint64 secondsAhead, const QString &status = u"0"_s,
                    const QString &repeat = u"0"_s)
{
    return {id,
            u"%1"_s.arg(name),
            u"555 0100"_s,
            platform::Clock::now().addSecs(secondsAhead),
            text,
            status,
            repeat};
}

Reminder reminderFor(const QString &id)
{
    Reminder reminder;
    reminder.alertBody = u"Send SMS to :\nsomeone ?"_s;
    reminder.alertAction = u"Prepare"_s;
    reminder.userInfo = {{u"ID"_s, id}};
    reminder.applicationIconBadgeNumber = 1;
    return reminder;
}

MessageComposer *composerOf(AppHarness &run)
{
    platform::ViewController *front = run.delegate->viewController();
    while (front->presentedViewController())
        front = front->presentedViewController();
    return qobject_cast<MessageComposer *>(front);
}

QString statusOf(AppHarness &run, int row)
{
    return run.delegate->mList()->at(row).toList().at(5).toString();
}

} // namespace

class TestDispatch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void inFrontTheAlertAsksFirst();
    void cancelOnTheAlertRecounts();
    void answeredFromOutsideComposesAtOnce();
    void launchedByAReminderComposesWithoutAlert();
    void sentMessageMarksTheSchedule();
    void cancelledOrFailedWritesNothing_data();
    void cancelledOrFailedWritesNothing();
    void deviceThatCannotSendShowsNothing();
    void eachAlertAnswersForItsOwnReminder();
    void composerMarksTheScheduleItWasOpenedFor();
    void reminderOfAMissingScheduleComposesNothing();
    void badgeGoesBelowZeroAndShowsNothing();
    void firstOfTwoRecordsWithOneIDIsUsed();

private:
    void send(AppHarness &run);

    PrivateBus mSystemBus;
    std::unique_ptr<ModemStandIn> mModem;
    std::unique_ptr<MockClock> mClock;
};

void TestDispatch::initTestCase()
{
    QVERIFY(mSystemBus.isRunning());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", mSystemBus.address().toUtf8());
}

void TestDispatch::init()
{
    mClock = std::make_unique<MockClock>();
    mModem = std::make_unique<ModemStandIn>(mSystemBus.address(), u"sends"_s);
    QVERIFY(mModem->isReady());
}

void TestDispatch::cleanup()
{
    mModem.reset();
    mClock.reset();
}

void TestDispatch::send(AppHarness &run)
{
    const QPointer<MessageComposer> composer = composerOf(run);
    QVERIFY(composer);
    composer->send();
    // Once finished, the composer closes and is freed.
    QTRY_VERIFY(!composer || composer->hasFinished());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestDispatch::inFrontTheAlertAsksFirst()
{
    AppHarness run(QVariantList{record(u"A"_s, u"Anna Berg"_s, u"Happy birthday"_s, 60)});
    QVERIFY(run.activate());
    run.app->setApplicationIconBadgeNumber(3);
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"A"_s));

    QCOMPARE(run.app->applicationIconBadgeNumber(), 2);
    QCOMPARE(run.delegate->viewController()->mNotID, u"A"_s);
    QVERIFY(!composerOf(run));
    const QList<AlertView *> alerts = AlertView::visibleAlerts();
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0]->title(), u"Velkari"_s);
    QCOMPARE(alerts[0]->message(), u"Send SMS to :\nAnna Berg (555 0100) ?"_s);
    QCOMPARE(alerts[0]->buttonTitleAtIndex(0), u"Cancel"_s);
    QCOMPARE(alerts[0]->buttonTitleAtIndex(1), u"Prepare"_s);

    alerts[0]->dismissWithClickedButtonIndex(1);
    MessageComposer *composer = composerOf(run);
    QVERIFY(composer);
    QCOMPARE(composer->body(), u"Happy birthday"_s);
    QCOMPARE(composer->recipients(), QStringList{u"555 0100"_s});
}

void TestDispatch::cancelOnTheAlertRecounts()
{
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"Hi"_s, 60)});
    QVERIFY(run.activate());
    const QByteArray file = readFile(run.env().dataFile());
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"A"_s));
    QCOMPARE(run.app->applicationIconBadgeNumber(), 0);
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(0);
    QCOMPARE(run.app->applicationIconBadgeNumber(), 1);
    QVERIFY(!composerOf(run));
    QCOMPARE(statusOf(run, 0), u"0"_s);
    QCOMPARE(readFile(run.env().dataFile()), file);
}

void TestDispatch::answeredFromOutsideComposesAtOnce()
{
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"Hi"_s, 60)});
    QVERIFY(run.activate());
    run.delegate->window()->hide();
    QTRY_COMPARE(run.app->applicationState(), platform::ApplicationState::Background);
    run.app->setApplicationIconBadgeNumber(1);
    run.app->answerReminder(reminderFor(u"A"_s)); // the user answered the notification

    QVERIFY(AlertView::visibleAlerts().isEmpty());
    QVERIFY(composerOf(run));
    QCOMPARE(composerOf(run)->body(), u"Hi"_s);
    // Coming to the front recounted (1), then the arrival took one off.
    QCOMPARE(run.app->applicationIconBadgeNumber(), 0);
}

void TestDispatch::launchedByAReminderComposesWithoutAlert()
{
    platform::LaunchOptions options;
    options.insert(platform::LaunchOptions::LocalNotificationKey,
                   QVariant::fromValue(reminderFor(u"B"_s)));
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"For A"_s, 60),
                                record(u"B"_s, u"Carl"_s, u"For B"_s, 60)},
                   {}, options);
    QVERIFY(run.activate());
    QVERIFY(AlertView::visibleAlerts().isEmpty());
    QCOMPARE(run.delegate->viewController()->mNotID, u"B"_s);
    QVERIFY(composerOf(run));
    QCOMPARE(composerOf(run)->body(), u"For B"_s);
    QCOMPARE(run.app->applicationIconBadgeNumber(), 2); // the start's count, nothing taken off
}

void TestDispatch::sentMessageMarksTheSchedule()
{
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"Hi there"_s, 60),
                                record(u"R"_s, u"Rut"_s, u"Daily"_s, -60, u"0"_s, u"2"_s)});
    QVERIFY(run.activate());
    QCOMPARE(run.app->applicationIconBadgeNumber(), 2);
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"A"_s));
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(1);
    QVERIFY(composerOf(run));
    // The user may still change the text before sending it.
    composerOf(run)->view()->findChild<platform::TextView *>(u"body"_s)->setText(u"Hi, edited"_s);
    send(run);

    const QList<QJsonObject> created = mModem->calls(u"message"_s);
    QCOMPARE(created.size(), 1);
    QCOMPARE(created[0].value(u"numbers"_s).toArray().first().toString(), u"555 0100"_s);
    QCOMPARE(created[0].value(u"text"_s).toString(), u"Hi, edited"_s);
    QCOMPARE(statusOf(run, 0), u"1"_s);
    QCOMPARE(platform::PropertyList::readArrayFile(run.env().dataFile())->at(0).toList().at(5),
             QVariant(u"1"_s));
    auto *row = static_cast<TableCellView *>(
        run.delegate->viewController()->mTableView()->cellForRowAtIndexPath(
            platform::IndexPath::forRow(0)));
    QCOMPARE(row->crStatus->image().name(), u"OK2"_s);
    QCOMPARE(run.app->applicationIconBadgeNumber(), 1); // recounted: only the daily one
    QVERIFY(!composerOf(run));

    // A repeating schedule sent once stays sent when a later one is cancelled.
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"R"_s));
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(1);
    send(run);
    QCOMPARE(statusOf(run, 1), u"1"_s);
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"R"_s));
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(1);
    QVERIFY(composerOf(run));
    composerOf(run)->cancel();
    QCOMPARE(statusOf(run, 1), u"1"_s);
}

void TestDispatch::cancelledOrFailedWritesNothing_data()
{
    QTest::addColumn<QString>("modem");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("cancelled") << u"sends"_s << true;
    QTest::newRow("failed") << u"send-error"_s << false;
}

void TestDispatch::cancelledOrFailedWritesNothing()
{
    QFETCH(QString, modem);
    QFETCH(bool, cancel);
    mModem.reset(); // one ModemManager on the bus at a time
    mModem = std::make_unique<ModemStandIn>(mSystemBus.address(), modem);
    QVERIFY(mModem->isReady());
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"Hi"_s, -60)});
    QVERIFY(run.activate());
    const QByteArray file = readFile(run.env().dataFile());
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"A"_s));
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(1);
    run.app->setApplicationIconBadgeNumber(5);
    QVERIFY(composerOf(run));
    if (cancel)
        composerOf(run)->cancel();
    else
        send(run);

    QVERIFY(!composerOf(run));
    QCOMPARE(statusOf(run, 0), u"0"_s);
    QCOMPARE(readFile(run.env().dataFile()), file);
    QCOMPARE(run.app->applicationIconBadgeNumber(), 0); // recounted all the same
    // A failure is said, not swallowed.
    QCOMPARE(AlertView::visibleAlerts().size(), cancel ? 0 : 1);
}

void TestDispatch::deviceThatCannotSendShowsNothing()
{
    mModem.reset(); // no ModemManager: no way to send
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"Hi"_s, 60)});
    QVERIFY(run.activate());
    const QByteArray file = readFile(run.env().dataFile());
    QVERIFY(!MessageComposer::canSendText());
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"A"_s));
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(1);
    QVERIFY(!composerOf(run));
    QVERIFY(AlertView::visibleAlerts().isEmpty());
    QCOMPARE(readFile(run.env().dataFile()), file);
}

void TestDispatch::eachAlertAnswersForItsOwnReminder()
{
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"For A"_s, 60),
                                record(u"B"_s, u"Carl"_s, u"For B"_s, 60)});
    QVERIFY(run.activate());
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"A"_s));
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"B"_s));
    const QList<AlertView *> alerts = AlertView::visibleAlerts();
    QCOMPARE(alerts.size(), 2);
    QVERIFY(alerts[0]->message().contains(u"Anna"_s));
    QCOMPARE(run.delegate->viewController()->mNotID, u"B"_s); // the later one set it

    alerts[0]->dismissWithClickedButtonIndex(1);
    QCOMPARE(composerOf(run)->body(), u"For A"_s);
    QCOMPARE(run.delegate->viewController()->mNotID, u"A"_s);
}

void TestDispatch::composerMarksTheScheduleItWasOpenedFor()
{
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"For A"_s, 60),
                                record(u"B"_s, u"Carl"_s, u"For B"_s, 60)});
    QVERIFY(run.activate());
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"A"_s));
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(1);
    // B's reminder comes while A's message is being written.
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"B"_s));
    send(run);
    QCOMPARE(statusOf(run, 0), u"1"_s);
    QCOMPARE(statusOf(run, 1), u"0"_s);
}

void TestDispatch::reminderOfAMissingScheduleComposesNothing()
{
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"Hi"_s, 60)});
    QVERIFY(run.activate());
    run.app->setApplicationIconBadgeNumber(1);
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"deleted"_s));
    QVERIFY(AlertView::visibleAlerts().isEmpty());
    QVERIFY(!composerOf(run));
    QCOMPARE(run.app->applicationIconBadgeNumber(), 0); // still lowered

    platform::LaunchOptions options;
    options.insert(platform::LaunchOptions::LocalNotificationKey,
                   QVariant::fromValue(reminderFor(u"deleted"_s)));
    AppHarness launched(QVariantList{record(u"A"_s, u"Anna"_s, u"Hi"_s, 60)}, {}, options);
    QVERIFY(!composerOf(launched));
    QVERIFY(AlertView::visibleAlerts().isEmpty());
}

void TestDispatch::badgeGoesBelowZeroAndShowsNothing()
{
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"Hi"_s, -60)});
    QVERIFY(run.activate());
    QCOMPARE(run.app->applicationIconBadgeNumber(), 0);
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"A"_s));
    QCOMPARE(run.app->applicationIconBadgeNumber(), -1);
    QCOMPARE(run.delegate->window()->windowTitle(), u"Velkari"_s);
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(0);
    QCOMPARE(run.app->applicationIconBadgeNumber(), 0);
}

void TestDispatch::firstOfTwoRecordsWithOneIDIsUsed()
{
    AppHarness run(QVariantList{record(u"X"_s, u"First"_s, u"first text"_s, 60),
                                record(u"X"_s, u"Second"_s, u"second text"_s, 60)});
    QVERIFY(run.activate());
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"X"_s));
    QVERIFY(AlertView::visibleAlerts().first()->message().contains(u"First"_s));
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(1);
    QCOMPARE(composerOf(run)->body(), u"first text"_s);
}

QTEST_MAIN(TestDispatch)
#include "tst_dispatch.moc"
