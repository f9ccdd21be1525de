// SPDX-License-Identifier: GPL-3.0-or-later
// A reminder reaching the app, the reminder alert, the composer and what a
// sent message leaves behind. Sending goes through a stand-in ModemManager on
// a private bus that plays the system bus.

#include "platform/reminders/ReminderCenter.h"
#include "platform/sms/SmsAvailability.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/MessageComposer.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Window.h"
#include "screens/EditProps.h"
#include "screens/TableCellView.h"
#include "screens/VelkariViewController.h"
#include "support/AppHarness.h"
#include "support/MockClock.h"
#include "support/ModemStandIn.h"
#include "support/PrivateBus.h"

#include <QJsonArray>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using platform::AlertView;
using platform::MessageComposer;
using platform::Reminder;
using namespace velkari;

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

// The composer in front, once the app knows whether text can be sent.
MessageComposer *composerOf(AppHarness &run)
{
    QDeadlineTimer deadline(5000);
    while (!platform::SmsAvailability::shared().isSettled() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    platform::ViewController *front = run.delegate->viewController();
    while (front->presentedViewController())
        front = front->presentedViewController();
    return qobject_cast<MessageComposer *>(front);
}

platform::ViewController *frontOf(AppHarness &run)
{
    platform::ViewController *front = run.delegate->viewController();
    while (front->presentedViewController())
        front = front->presentedViewController();
    return front;
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
    void overlappingComposersEachMarkTheirOwn_data();
    void overlappingComposersEachMarkTheirOwn();
    void firedWhileOurOwnScreenHasTheFocusAsks_data();
    void firedWhileOurOwnScreenHasTheFocusAsks();
    void answeredFromOutsideNeverAsksAgain_data();
    void answeredFromOutsideNeverAsksAgain();
    void tryAgainAfterAFailureSendsOnceMore();
    void aModemThatNeverAnswersFreezesNothing();
    void reminderOfAMissingScheduleComposesNothing();
    void badgeGoesBelowZeroAndShowsNothing();
    void firstOfTwoRecordsWithOneIDIsUsed();

private:
    // One ModemManager on the bus at a time, behaving as told.
    bool useModem(const QString &behaviour);
    void send(AppHarness &run);
    // The reminder fires through the app's own reminder centre.
    void fire(AppHarness &run, const QString &id);
    void answerAlert(const QString &name, int button);

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

bool TestDispatch::useModem(const QString &behaviour)
{
    mModem.reset();
    mModem = std::make_unique<ModemStandIn>(mSystemBus.address(), behaviour);
    return mModem->isReady();
}

void TestDispatch::send(AppHarness &run)
{
    const QPointer<MessageComposer> composer = composerOf(run);
    QVERIFY(composer);
    const qsizetype alerts = AlertView::visibleAlerts().size();
    composer->send();
    // Once finished, the composer closes and is freed; a failure asks first.
    QTRY_VERIFY(!composer || composer->hasFinished() || AlertView::visibleAlerts().size() > alerts);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestDispatch::fire(AppHarness &run, const QString &id)
{
    Reminder reminder = reminderFor(id);
    reminder.fireDate = platform::Clock::now().addSecs(1);
    const qsizetype alerts = AlertView::visibleAlerts().size();
    const bool composing = composerOf(run) != nullptr;
    run.app->scheduleLocalNotification(reminder);
    mClock->advance(1);
    QTRY_VERIFY(run.app->scheduledLocalNotifications().isEmpty());
    // An open composer says nothing about this reminder: wait for what it brings.
    QTRY_VERIFY(AlertView::visibleAlerts().size() > alerts || (!composing && composerOf(run)));
}

void TestDispatch::answerAlert(const QString &name, int button)
{
    for (AlertView *alert : AlertView::visibleAlerts()) {
        if (alert->message().contains(name)) {
            alert->dismissWithClickedButtonIndex(button);
            return;
        }
    }
    QFAIL(qPrintable(u"no alert for "_s + name));
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
    QCOMPARE(created[0].value(u"numbers"_s).toArray().first().toString(), u"5550100"_s);
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
    QVERIFY(useModem(modem));
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"Hi"_s, -60)});
    QVERIFY(run.activate());
    const QByteArray file = readFile(run.env().dataFile());
    run.delegate->didReceiveLocalNotification(*run.app, reminderFor(u"A"_s));
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(1);
    run.app->setApplicationIconBadgeNumber(5);
    QVERIFY(composerOf(run));
    if (cancel) {
        composerOf(run)->cancel();
    } else {
        send(run);
        // Said, with the choice to try again; given up, it counts as failed.
        QVERIFY(composerOf(run));
        QCOMPARE(AlertView::visibleAlerts().size(), 1);
        QCOMPARE(AlertView::visibleAlerts().first()->title(), u"Message not sent"_s);
        AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(0);
    }

    QVERIFY(!composerOf(run));
    QCOMPARE(statusOf(run, 0), u"0"_s);
    QCOMPARE(readFile(run.env().dataFile()), file);
    QCOMPARE(run.app->applicationIconBadgeNumber(), 0); // recounted all the same
    QVERIFY(AlertView::visibleAlerts().isEmpty());
}

void TestDispatch::deviceThatCannotSendShowsNothing()
{
    mModem.reset(); // no ModemManager: no way to send
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"Hi"_s, 60)});
    QVERIFY(run.activate());
    const QByteArray file = readFile(run.env().dataFile());
    QVERIFY(!composerOf(run));
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

void TestDispatch::overlappingComposersEachMarkTheirOwn_data()
{
    QTest::addColumn<bool>("sendB");
    QTest::addColumn<QStringList>("statuses");
    QTest::newRow("both sent") << true << QStringList{u"1"_s, u"1"_s};
    QTest::newRow("A sent, B cancelled") << false << QStringList{u"1"_s, u"0"_s};
}

void TestDispatch::overlappingComposersEachMarkTheirOwn()
{
    QFETCH(bool, sendB);
    QFETCH(QStringList, statuses);
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"For A"_s, 60),
                                record(u"B"_s, u"Carl"_s, u"For B"_s, 60)});
    QVERIFY(run.activate());
    fire(run, u"A"_s);
    answerAlert(u"Anna"_s, 1);
    const QPointer<MessageComposer> first = composerOf(run);
    QVERIFY(first);
    // B's reminder comes while A's message is being written, and is answered.
    fire(run, u"B"_s);
    answerAlert(u"Carl"_s, 1);
    QCOMPARE(run.delegate->viewController()->mNotID, u"B"_s);
    QCOMPARE(composerOf(run), first.data()); // B's waits: never two at once

    send(run);
    QTRY_VERIFY(composerOf(run) && composerOf(run) != first);
    QCOMPARE(composerOf(run)->body(), u"For B"_s);
    if (sendB)
        send(run);
    else
        composerOf(run)->cancel();
    QTRY_VERIFY(!composerOf(run));

    const QList<QJsonObject> created = mModem->calls(u"message"_s);
    QCOMPARE(created.size(), sendB ? 2 : 1);
    QCOMPARE(created.first().value(u"text"_s).toString(), u"For A"_s);
    QCOMPARE((QStringList{statusOf(run, 0), statusOf(run, 1)}), statuses);
    const auto stored = platform::PropertyList::readArrayFile(run.env().dataFile());
    QCOMPARE((QStringList{stored->at(0).toList().at(5).toString(),
                          stored->at(1).toList().at(5).toString()}),
             statuses);
}

void TestDispatch::firedWhileOurOwnScreenHasTheFocusAsks_data()
{
    QTest::addColumn<QString>("inFront");
    QTest::newRow("edit form") << u"edit"_s;
    QTest::newRow("repeat picker") << u"repeat"_s;
    QTest::newRow("people picker") << u"people"_s;
    QTest::newRow("an alert") << u"alert"_s;
}

void TestDispatch::firedWhileOurOwnScreenHasTheFocusAsks()
{
    QFETCH(QString, inFront);
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"For A"_s, 60),
                                record(u"B"_s, u"Carl"_s, u"For B"_s, 60)});
    QVERIFY(run.activate());
    QWidget *focused = nullptr;
    if (inFront == u"alert"_s) {
        fire(run, u"A"_s);
        QTRY_VERIFY(AlertView::visibleAlerts().first()->dialog());
        focused = AlertView::visibleAlerts().first()->dialog();
    } else {
        run.delegate->viewController()->didSelectRowAtIndexPath(
            *run.delegate->viewController()->mTableView(), platform::IndexPath::forRow(0));
        auto *form = qobject_cast<EditProps *>(frontOf(run));
        QVERIFY(form);
        if (inFront == u"repeat"_s)
            form->btnSelectRepeat();
        else if (inFront == u"people"_s)
            form->ShowPicker();
        if (inFront != u"edit"_s)
            QVERIFY(frontOf(run) != form); // the picker is over the form
        focused = frontOf(run)->view()->window();
    }
    focused->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), focused);
    const qsizetype alerts = AlertView::visibleAlerts().size();

    fire(run, u"B"_s);
    QCOMPARE(AlertView::visibleAlerts().size(), alerts + 1);
    QVERIFY(AlertView::visibleAlerts().last()->message().contains(u"Carl"_s));
    QVERIFY(!composerOf(run));
}

void TestDispatch::answeredFromOutsideNeverAsksAgain_data()
{
    QTest::addColumn<bool>("inFront");
    QTest::newRow("in the background") << false;
    QTest::newRow("in front") << true;
}

void TestDispatch::answeredFromOutsideNeverAsksAgain()
{
    QFETCH(bool, inFront);
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"For A"_s, 60)});
    QVERIFY(run.activate());
    if (!inFront) {
        run.delegate->window()->hide();
        QTRY_COMPARE(run.app->applicationState(), platform::ApplicationState::Background);
    }
    // As a notification's action, the tray or a second start hand it over.
    run.app->answerReminder(reminderFor(u"A"_s));
    QVERIFY(AlertView::visibleAlerts().isEmpty());
    QVERIFY(composerOf(run));
    QCOMPARE(composerOf(run)->body(), u"For A"_s);
    QVERIFY(run.app->applicationState() != platform::ApplicationState::Background);
}

void TestDispatch::tryAgainAfterAFailureSendsOnceMore()
{
    QVERIFY(useModem(u"fails-once"_s));
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"For A"_s, 60)});
    QVERIFY(run.activate());
    run.app->answerReminder(reminderFor(u"A"_s));
    const QPointer<MessageComposer> composer = composerOf(run);
    send(run);
    QVERIFY(composer && !composer->hasFinished());
    QCOMPARE(AlertView::visibleAlerts().size(), 1);
    QCOMPARE(AlertView::visibleAlerts().first()->buttonTitleAtIndex(1), u"Try Again"_s);
    QCOMPARE(statusOf(run, 0), u"0"_s);

    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(1);
    QTRY_VERIFY(!composer || composer->hasFinished());
    QCOMPARE(mModem->calls(u"Send"_s).size(), 2);
    QCOMPARE(statusOf(run, 0), u"1"_s);
    QVERIFY(AlertView::visibleAlerts().isEmpty());
}

void TestDispatch::aModemThatNeverAnswersFreezesNothing()
{
    QVERIFY(useModem(u"objects-hang"_s));
    AppHarness run(QVariantList{record(u"A"_s, u"Anna"_s, u"For A"_s, 60)});
    QVERIFY(run.activate());
    // The window keeps handling events while the bus is asked.
    int ticksWhileAsking = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        if (!platform::SmsAvailability::shared().isSettled())
            ++ticksWhileAsking;
    });
    ticker.start(20);
    run.app->answerReminder(reminderFor(u"A"_s));
    QTRY_VERIFY_WITH_TIMEOUT(platform::SmsAvailability::shared().isSettled(), 5000);
    QVERIFY(ticksWhileAsking > 0);
    QVERIFY(!composerOf(run)); // no modem answered: the device cannot send
    QVERIFY(AlertView::visibleAlerts().isEmpty());
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
