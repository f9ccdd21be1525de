// SPDX-License-Identifier: GPL-3.0-or-later
// A reminder answered, its message sent from the composer through Debian's
// own ModemManager driving a virtual modem, or through KDE Connect when the
// modem cannot: what reaches the modem, what the person is told, and what
// the schedule records.

#include "platform/core/Clock.h"
#include "platform/reminders/Reminder.h"
#include "platform/sms/SmsAvailability.h"
#include "platform/sms/SmsTransport.h"
#include "platform/ui/MessageComposer.h"
#include "screens/VelkariViewController.h"
#include "support/AppHarness.h"
#include "support/ModemStandIn.h"
#include "support/PrivateBus.h"
#include "support/RealModemManager.h"

#include <QJsonArray>
#include <QTest>

#include <map>

using namespace Qt::Literals::StringLiterals;
using platform::AlertView;
using platform::MessageComposer;
using Sim = RealModemManager::Sim;

Q_DECLARE_METATYPE(RealModemManager::Sim)

namespace {

// Which way the app would send now, once it knows.
QString chosenWay()
{
    const auto transport = platform::SmsAvailability::shared().makeTransport();
    return platform::SmsAvailability::shared().isSettled() && transport ? transport->name()
                                                                        : QString();
}

MessageComposer *composerOf(AppHarness &run)
{
    platform::ViewController *front = run.delegate->viewController();
    while (front->presentedViewController())
        front = front->presentedViewController();
    return qobject_cast<MessageComposer *>(front);
}

} // namespace

class TestSending : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sendsAsTheModemAllows_data();
    void sendsAsTheModemAllows();

private:
    RealModemManager &modem(Sim sim);

    PrivateBus mSystemBus;
    PrivateBus mSessionBus;
    // One daemon for each kind of SIM, kept from row to row.
    std::map<Sim, std::unique_ptr<RealModemManager>> mModems;
};

void TestSending::initTestCase()
{
    QVERIFY(mSystemBus.isRunning() && mSessionBus.isRunning());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", mSystemBus.address().toUtf8());
    mSessionBus.becomeSessionBus();
}

RealModemManager &TestSending::modem(Sim sim)
{
    // One modem on the bus at a time, as on a phone.
    for (auto it = mModems.begin(); it != mModems.end();)
        it = it->first == sim ? std::next(it) : mModems.erase(it);
    auto &daemon = mModems[sim];
    if (!daemon)
        daemon = std::make_unique<RealModemManager>(mSystemBus.address(), sim);
    return *daemon;
}

void TestSending::sendsAsTheModemAllows_data()
{
    QTest::addColumn<Sim>("sim");
    QTest::addColumn<bool>("switchedOn");
    QTest::addColumn<bool>("phonePaired");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("dialled"); // what the modem gets; none when empty
    QTest::addColumn<int>("parts");
    QTest::addColumn<QString>("error"); // part of what the person is told
    QTest::addColumn<bool>("switchOnAndTryAgain");

    const QString anna = u"+46 70-123 45 67"_s;
    const QString greeting = u"Hej då, vi ses {kl 9} på €-kaféet!"_s;
    QTest::newRow("spaces and dashes, GSM 7-bit") << Sim::Ready << true << false << anna << greeting
                                                  << u"+46701234567"_s << 1 << QString() << false;
    QTest::newRow("brackets, UCS-2")
        << Sim::Ready << true << false << u"(020) 7946 0958"_s << u"Grüße 🎉 你好"_s
        << u"02079460958"_s << 1 << QString() << false;
    QTest::newRow("long, in three parts")
        << Sim::Ready << true << false << u"0151/2345678"_s << u"Lång text, "_s.repeated(36)
        << u"01512345678"_s << 3 << QString() << false;
    QTest::newRow("letters only") << Sim::Ready << true << false << u"abc"_s << greeting
                                  << QString() << 0 << u"“abc”"_s << false;
    QTest::newRow("switched off") << Sim::Ready << false << false << anna << greeting << QString()
                                  << 0 << u"switched off"_s << false;
    QTest::newRow("switched off, phone paired")
        << Sim::Ready << false << true << anna << greeting << QString() << 0 << QString() << false;
    QTest::newRow("switched off, then on") << Sim::Ready << false << false << anna << greeting
                                           << u"+46701234567"_s << 1 << u"switched off"_s << true;
    QTest::newRow("SIM locked") << Sim::Locked << false << false << anna << greeting << QString()
                                << 0 << u"locked"_s << false;
    QTest::newRow("no SIM") << Sim::Missing << false << false << anna << greeting << QString() << 0
                            << u"no SIM"_s << false;
}

void TestSending::sendsAsTheModemAllows()
{
    QFETCH(Sim, sim);
    QFETCH(bool, switchedOn);
    QFETCH(bool, phonePaired);
    QFETCH(QString, number);
    QFETCH(QString, text);
    QFETCH(QString, dialled);
    QFETCH(int, parts);
    QFETCH(QString, error);
    QFETCH(bool, switchOnAndTryAgain);

    RealModemManager &daemon = modem(sim);
    QVERIFY2(daemon.isReady(), qPrintable(daemon.logFile()));
    if (sim == Sim::Ready)
        QVERIFY(daemon.setEnabled(switchedOn));
    const qsizetype before = daemon.messages().size();
    std::unique_ptr<ModemStandIn> phone;
    if (phonePaired) {
        // No phone can be paired here: KDE Connect's daemon is stood in for.
        phone = std::make_unique<ModemStandIn>(mSessionBus.address(), u"sends"_s, u"kdeconnect"_s);
        QVERIFY(phone->isReady());
    }
    QTRY_COMPARE_WITH_TIMEOUT(chosenWay(), phonePaired ? u"KDE Connect"_s : u"ModemManager"_s,
                              10000);

    AppHarness run(QVariantList{QVariantList{
        u"A"_s, u"Anna"_s, number, platform::Clock::now().addSecs(60), text, u"0"_s, u"0"_s}});
    platform::Reminder reminder;
    reminder.userInfo = {{u"ID"_s, u"A"_s}};
    run.app->answerReminder(reminder);
    const QPointer<MessageComposer> composer = composerOf(run);
    QVERIFY(composer);
    QCOMPARE(composer->recipients(), QStringList{number}); // as picked
    composer->send();
    QTRY_VERIFY_WITH_TIMEOUT(!composer || !AlertView::visibleAlerts().isEmpty(), 30000);

    if (!error.isEmpty()) {
        QCOMPARE(AlertView::visibleAlerts().size(), 1);
        AlertView *alert = AlertView::visibleAlerts().first();
        QVERIFY2(alert->message().contains(error), qPrintable(alert->message()));
        if (switchOnAndTryAgain) {
            QVERIFY(daemon.setEnabled(true));
            alert->dismissWithClickedButtonIndex(1); // Try Again
            QTRY_VERIFY_WITH_TIMEOUT(!composer || !AlertView::visibleAlerts().isEmpty(), 30000);
        } else {
            alert->dismissWithClickedButtonIndex(0);
        }
    }
    QTRY_VERIFY(!composer);

    const bool sent = error.isEmpty() || switchOnAndTryAgain;
    QCOMPARE(run.delegate->mList()->at(0).toList().at(5).toString(), sent ? u"1"_s : u"0"_s);
    QCOMPARE(run.delegate->mList()->at(0).toList().at(2).toString(), number);
    const QList<QJsonObject> received = daemon.messages().mid(before);
    QCOMPARE(received.size(), dialled.isEmpty() ? 0 : 1);
    if (!dialled.isEmpty()) {
        QCOMPARE(received.first().value(u"number"_s).toString(), dialled);
        QCOMPARE(received.first().value(u"text"_s).toString(), text);
        QCOMPARE(received.first().value(u"parts"_s).toInt(), parts);
    }
    if (phone) {
        const QList<QJsonObject> handed = phone->calls(u"message"_s);
        QCOMPARE(handed.size(), 1);
        QCOMPARE(handed.first().value(u"numbers"_s).toArray(), QJsonArray{number});
        QCOMPARE(handed.first().value(u"text"_s).toString(), text);
    }
}

QTEST_MAIN(TestSending)
#include "tst_sending.moc"
