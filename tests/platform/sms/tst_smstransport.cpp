// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sms/KdeConnectTransport.h"
#include "platform/sms/ModemManagerTransport.h"
#include "platform/sms/SmsAvailability.h"
#include "platform/sms/SmsTransport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <list>
#include <memory>
#include <sys/prctl.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using platform::SmsAvailability;
using platform::SmsTransport;

namespace {

// True once the call is answered, with a reply or an error from the other
// end; the event loop turns meanwhile, so whatever reached this process
// before the answer has been handled too.
bool roundTrip(const QDBusConnection &bus, const QDBusMessage &call)
{
    QDBusPendingCallWatcher watcher(bus.asyncCall(call, 10000));
    QSignalSpy answered(&watcher, &QDBusPendingCallWatcher::finished);
    return answered.wait(15000) && watcher.reply().type() != QDBusMessage::InvalidMessage &&
           watcher.reply().errorName() != "org.freedesktop.DBus.Error.NoReply"_L1;
}

QDBusMessage busIdCall()
{
    return QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                          u"org.freedesktop.DBus"_s, u"GetId"_s);
}

// A private bus with stand-ins for ModemManager and KDE Connect on it; all of
// it goes away with the object, or with the test if it crashes.
class FakeBus {
public:
    FakeBus()
    {
        QFile config(mDir.filePath(u"bus.conf"_s));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(
            "<busconfig><type>session</type><listen>unix:dir=" + QFile::encodeName(mDir.path()) +
            "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
            "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
            "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        config.close();
        start(mDaemon, u"dbus-daemon"_s,
              {u"--config-file="_s + config.fileName(), u"--nofork"_s, u"--print-address=1"_s});
        if (mDaemon.waitForReadyRead(5000))
            mAddress = QString::fromUtf8(mDaemon.readLine()).trimmed();
    }

    ~FakeBus()
    {
        QDBusConnection::disconnectFromBus(mAddress);
        for (QProcess &process : mServices) {
            process.kill();
            process.waitForFinished();
        }
        mDaemon.kill();
        mDaemon.waitForFinished();
    }

    QDBusConnection connection() const { return QDBusConnection::connectToBus(mAddress, mAddress); }

    // Serves "modemmanager" or "kdeconnect" as the behaviour says; none
    // when it is empty.
    bool add(const QString &service, const QString &behaviour)
    {
        if (mAddress.isEmpty() || behaviour.isEmpty())
            return !mAddress.isEmpty();
        QProcess &process = mServices.emplace_back();
        start(process, QStringLiteral(FAKE_SMS_SERVICES), {mAddress, service, behaviour});
        // A path under the stand-in's own object, which it answers itself
        // (with an error), in turn with the calls that came before.
        mNames.append(service == u"modemmanager"_s ? u"org.freedesktop.ModemManager1"_s
                                                   : u"org.kde.kdeconnect"_s);
        mSettlePaths.append(service == u"modemmanager"_s
                                ? u"/org/freedesktop/ModemManager1/Settle"_s
                                : u"/modules/kdeconnect/Settle"_s);
        return process.waitForReadyRead(5000) && process.readLine() == "{\"ready\":true}\n";
    }

    // Waits until the bus and each stand-in have handled all that this
    // process sent them so far, and this process all they sent before.
    bool settle()
    {
        const QDBusConnection bus = connection();
        for (qsizetype i = 0; i < mNames.size(); ++i) {
            if (!roundTrip(bus, QDBusMessage::createMethodCall(mNames.at(i), mSettlePaths.at(i),
                                                               u"org.velkari.Test"_s, u"Settle"_s)))
                return false;
        }
        return roundTrip(bus, busIdCall());
    }

    // Ends the stand-ins at once, as a crash would. The bus then answers
    // whatever they left unanswered with an error, and that has reached
    // this process when this returns.
    bool stopServices()
    {
        const QDBusConnection bus = connection();
        QDBusServiceWatcher watcher;
        watcher.setConnection(bus);
        watcher.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
        watcher.setWatchedServices(mNames);
        QSignalSpy gone(&watcher, &QDBusServiceWatcher::serviceUnregistered);
        if (!roundTrip(bus, busIdCall())) // the watch is in place
            return false;
        for (QProcess &process : mServices) {
            process.kill();
            process.waitForFinished();
        }
        while (gone.size() < mNames.size()) {
            if (!gone.wait(10000))
                return false;
        }
        // dbus-daemon fails the calls a dropped connection left unanswered
        // on its next turn, before it reads what came in meanwhile
        // (bus/connection.c, bus_connection_drop_pending_replies;
        // dbus/dbus-mainloop.c runs timeouts first): a call sent after the
        // name went is answered after those errors.
        return roundTrip(bus, busIdCall());
    }

    // The stand-ins' records of the named call so far.
    QList<QJsonObject> calls(const QString &name)
    {
        for (QProcess &process : mServices) {
            while (process.canReadLine())
                mCalls.append(QJsonDocument::fromJson(process.readLine()).object());
        }
        QList<QJsonObject> found;
        for (const QJsonObject &call : std::as_const(mCalls)) {
            if (call.value(u"call"_s).toString() == name)
                found.append(call);
        }
        return found;
    }

private:
    static void start(QProcess &process, const QString &program, const QStringList &arguments)
    {
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process.start(program, arguments);
    }

    QTemporaryDir mDir;
    QProcess mDaemon;
    QString mAddress;
    std::list<QProcess> mServices;
    QStringList mNames;
    QStringList mSettlePaths;
    QList<QJsonObject> mCalls;
};

std::unique_ptr<SmsTransport> transportFor(const QString &service, const QDBusConnection &bus)
{
    if (service == u"modemmanager"_s)
        return std::make_unique<platform::ModemManagerTransport>(bus);
    return std::make_unique<platform::KdeConnectTransport>(bus);
}

} // namespace

class TestSmsTransport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deliversNumberAndTextExactly_data();
    void deliversNumberAndTextExactly();
    void finishesOnce_data();
    void finishesOnce();
    void refusesWhatCannotBeDialled_data();
    void refusesWhatCannotBeDialled();
    void lateAnswerDoesNotReachTheNextSend();
    void waitsWithoutBlocking();
    void choosesTransport_data();
    void choosesTransport();
    void noBusMeansNoTransport();
};

void TestSmsTransport::deliversNumberAndTextExactly_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("dialled"); // what ModemManager gets
    QTest::addColumn<QString>("text");
    const QList<std::tuple<const char *, QString, QString, QString>> messages{
        {"unicode", u"+46 70-123 45 67"_s, u"+46701234567"_s, u"Grüße ✓ 你好 🎉 שלום"_s},
        {"shell and quotes", u"(020) 7946 0958"_s, u"02079460958"_s,
         u"\"quoted\" 'single' `id` $(rm -rf /) ; && | > /tmp/x $HOME \\"_s},
        {"line breaks", u"*100#"_s, u"*100#"_s, u"one\ntwo\r\nthree\ttab\n"_s},
        {"long", u"0151/2345678"_s, u"01512345678"_s, u"Lång text 🎉 "_s.repeated(60)},
        {"empty text", u"+4670"_s, u"+4670"_s, QString()},
        {"dots, dashes and digits of other scripts", u"\u0660\u0667\u0660\u2013123.45"_s,
         u"07012345"_s, u"hi"_s},
    };
    for (const QString &service : {u"modemmanager"_s, u"kdeconnect"_s}) {
        for (const auto &[name, number, dialled, text] : messages)
            QTest::addRow("%s, %s", qPrintable(service), name)
                << service << number << (service == u"modemmanager"_s ? dialled : number) << text;
    }
}

void TestSmsTransport::deliversNumberAndTextExactly()
{
    QFETCH(QString, service);
    QFETCH(QString, number);
    QFETCH(QString, dialled);
    QFETCH(QString, text);
    FakeBus bus;
    QVERIFY(bus.add(service, u"sends"_s));
    const auto transport = transportFor(service, bus.connection());
    QSignalSpy finished(transport.get(), &SmsTransport::finished);
    QSignalSpy states(transport.get(), &SmsTransport::stateChanged);

    QVERIFY(transport->send(number, text));
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.first(), (QVariantList{true, QString()}));
    QCOMPARE(states, (QList<QVariantList>{{QVariant::fromValue(SmsTransport::State::Sending)},
                                          {QVariant::fromValue(SmsTransport::State::Sent)}}));

    const QList<QJsonObject> messages = bus.calls(u"message"_s);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().value(u"numbers"_s).toArray(), QJsonArray{dialled});
    QCOMPARE(messages.first().value(u"text"_s).toString(), text);
    if (service == u"modemmanager"_s)
        QCOMPARE(messages.first().value(u"keys"_s).toArray(), (QJsonArray{u"number"_s, u"text"_s}));
}

void TestSmsTransport::finishesOnce_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("behaviour");
    QTest::addColumn<int>("limitMs");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<int>("deletedDrafts");

    const QString mm = u"modemmanager"_s;
    const QString kde = u"kdeconnect"_s;
    QTest::newRow("sent, announced after Send") << mm << u"sends"_s << 3000 << true << 0;
    QTest::newRow("Send fails") << mm << u"send-error"_s << 3000 << false << 1;
    QTest::newRow("modem switched off") << mm << u"disabled"_s << 3000 << false << 0;
    QTest::newRow("modem cannot message") << mm << u"no-messaging"_s << 3000 << false << 0;
    QTest::newRow("ModemManager absent") << mm << QString() << 3000 << false << 0;
    QTest::newRow("no modem list in time") << mm << u"objects-hang"_s << 300 << false << 0;
    QTest::newRow("Send unanswered") << mm << u"send-hangs"_s << 300 << false << 0;
    QTest::newRow("sendSms fails") << kde << u"sms-error"_s << 3000 << false << 0;
    QTest::newRow("no sms plugin") << kde << u"no-sms-plugin"_s << 3000 << false << 0;
    QTest::newRow("KDE Connect absent") << kde << QString() << 3000 << false << 0;
    QTest::newRow("sendSms unanswered") << kde << u"sms-hangs"_s << 300 << false << 0;
}

void TestSmsTransport::finishesOnce()
{
    QFETCH(QString, service);
    QFETCH(QString, behaviour);
    QFETCH(int, limitMs);
    QFETCH(bool, sent);
    QFETCH(int, deletedDrafts);
    FakeBus bus;
    QVERIFY(bus.add(service, behaviour));
    const auto transport = transportFor(service, bus.connection());
    transport->setTimeLimit(std::chrono::milliseconds(limitMs));
    QSignalSpy finished(transport.get(), &SmsTransport::finished);
    // Due just after the transport's own time limit (a coarse timer, which
    // may fire up to 5 % late).
    QTimer afterTheLimit;
    afterTheLimit.setTimerType(Qt::PreciseTimer);
    afterTheLimit.setSingleShot(true);
    const QSignalSpy limitPassed(&afterTheLimit, &QTimer::timeout);

    QVERIFY(transport->send(u"+4670"_s, u"hi"_s));
    afterTheLimit.start(limitMs + limitMs / 10 + 20);
    QCOMPARE(finished.count(), 0); // never from inside send()
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toBool(), sent);
    const QString error = finished.first().at(1).toString();
    QCOMPARE(error.isEmpty(), sent);
    // Only the short limits run out; the rest fail on their own account.
    QCOMPARE(error.contains(u"within 0.3 s"_s), limitMs == 300);
    QCOMPARE(transport->state(), sent ? SmsTransport::State::Sent : SmsTransport::State::Failed);

    // Nothing more: not when the time limit is up, not from what the
    // stand-in was sent, not when the calls it left unanswered fail.
    QTRY_COMPARE_WITH_TIMEOUT(limitPassed.size(), 1, limitMs * 2 + 10000);
    QVERIFY(bus.settle());
    QVERIFY(bus.stopServices());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(bus.calls(u"Delete"_s).size(), deletedDrafts);
}

void TestSmsTransport::refusesWhatCannotBeDialled_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("number");
    QTest::newRow("blank, KDE Connect") << u"kdeconnect"_s << u" \t"_s;
    QTest::newRow("blank") << u"modemmanager"_s << u" \t"_s;
    QTest::newRow("letters") << u"modemmanager"_s << u"abc"_s;
    QTest::newRow("a plus alone") << u"modemmanager"_s << u"+"_s;
    // Dropping the letters would reach someone else.
    QTest::newRow("letters among digits") << u"modemmanager"_s << u"+1 800 FLOWERS"_s;
    QTest::newRow("a plus inside") << u"modemmanager"_s << u"46+70"_s;
    QTest::newRow("a command after it") << u"modemmanager"_s << u"0701234567; rm -rf ~"_s;
}

void TestSmsTransport::refusesWhatCannotBeDialled()
{
    QFETCH(QString, service);
    QFETCH(QString, number);
    FakeBus bus;
    QVERIFY(bus.add(service, u"sends"_s));
    const auto transport = transportFor(service, bus.connection());
    QSignalSpy finished(transport.get(), &SmsTransport::finished);
    QVERIFY(transport->send(number, u"hi"_s));
    QCOMPARE(finished.count(), 0);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toBool(), false);
    if (!number.trimmed().isEmpty())
        QVERIFY(finished.first().at(1).toString().contains(number)); // says which
    QVERIFY(bus.calls(u"message"_s).isEmpty()); // the phone or modem never gets it
}

void TestSmsTransport::lateAnswerDoesNotReachTheNextSend()
{
    FakeBus bus;
    QVERIFY(bus.add(u"kdeconnect"_s, u"first-slow"_s));
    platform::KdeConnectTransport transport(bus.connection());
    transport.setTimeLimit(200ms);
    QSignalSpy finished(&transport, &SmsTransport::finished);
    QVERIFY(transport.send(u"+4670"_s, u"first"_s));
    QTRY_COMPARE(finished.count(), 1);

    // The first message's success arrives while the second one waits for
    // an answer that never comes: it is not the second one's.
    transport.setTimeLimit(1500ms);
    QVERIFY(transport.send(u"+4670"_s, u"second"_s));
    QTRY_COMPARE(bus.calls(u"replied"_s).size(), 1);
    QVERIFY(bus.settle()); // the late answer has reached the transport
    QCOMPARE(finished.count(), 1);
    QTRY_COMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).toBool(), false);
}

void TestSmsTransport::waitsWithoutBlocking()
{
    FakeBus bus;
    QVERIFY(bus.add(u"modemmanager"_s, u"send-hangs"_s));
    auto transport = std::make_unique<platform::ModemManagerTransport>(bus.connection());
    QSignalSpy finished(transport.get(), &SmsTransport::finished);

    // With the default minute to wait, the test's own loop sees the call
    // arrive and keeps turning while it goes unanswered.
    QVERIFY(transport->send(u"+4670"_s, u"first"_s));
    QVERIFY(!transport->send(u"+4670"_s, u"second"_s)); // one at a time
    QTRY_COMPARE(bus.calls(u"Send"_s).size(), 1);
    QCOMPARE(bus.calls(u"message"_s).size(), 1);

    // Anyone on the bus can claim the message went out; only ModemManager
    // is believed.
    QDBusMessage claim =
        QDBusMessage::createSignal(bus.calls(u"Send"_s).first().value(u"sms"_s).toString(),
                                   u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s);
    claim << u"org.freedesktop.ModemManager1.Sms"_s
          << QVariantMap{{u"State"_s, QVariant::fromValue(5u)}} << QStringList();
    QVERIFY(bus.connection().send(claim));
    QVERIFY(bus.settle()); // the claim has gone round
    QCOMPARE(finished.count(), 0);
    QVERIFY(transport->isBusy());

    // Giving up midway is quiet and safe, also when the unanswered Send
    // fails afterwards.
    transport.reset();
    QVERIFY(bus.stopServices());
    QCOMPARE(finished.count(), 0);
}

void TestSmsTransport::choosesTransport_data()
{
    QTest::addColumn<QString>("modemManager");
    QTest::addColumn<QString>("kdeConnect");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("modem first") << u"sends"_s << u"sends"_s << u"ModemManager"_s;
    QTest::newRow("the modem that can message")
        << u"second-modem"_s << QString() << u"ModemManager"_s;
    QTest::newRow("modem cannot message") << u"no-messaging"_s << u"sends"_s << u"KDE Connect"_s;
    QTest::newRow("modem off, phone paired") << u"disabled"_s << u"sends"_s << u"KDE Connect"_s;
    // Sending then says that the modem is off.
    QTest::newRow("modem off alone") << u"disabled"_s << QString() << u"ModemManager"_s;
    QTest::newRow("device with the plugin") << QString() << u"second-device"_s << u"KDE Connect"_s;
    QTest::newRow("ModemManager hangs") << u"objects-hang"_s << QString() << QString();
    QTest::newRow("nothing usable") << u"no-messaging"_s << u"no-sms-plugin"_s << QString();
    QTest::newRow("nothing running") << QString() << QString() << QString();
}

void TestSmsTransport::choosesTransport()
{
    QFETCH(QString, modemManager);
    QFETCH(QString, kdeConnect);
    QFETCH(QString, chosen);
    // One bus stands in for both the system and the session bus.
    FakeBus bus;
    QVERIFY(bus.add(u"modemmanager"_s, modemManager));
    QVERIFY(bus.add(u"kdeconnect"_s, kdeConnect));

    SmsAvailability availability(bus.connection(), bus.connection());
    QVERIFY(!availability.isSettled()); // never waits on the bus
    QTRY_VERIFY(availability.isSettled());
    const auto transport = availability.makeTransport();
    QCOMPARE(transport ? transport->name() : QString(), chosen);
    QCOMPARE(availability.canSendText(), !chosen.isEmpty());
    if (!transport)
        return;
    // Through the right modem or device: the others refuse the message.
    QSignalSpy finished(transport.get(), &SmsTransport::finished);
    QVERIFY(transport->send(u"+4670"_s, u"hi"_s));
    QTRY_COMPARE(finished.count(), 1);
    const bool off = modemManager == u"disabled"_s && chosen == u"ModemManager"_s;
    QCOMPARE(finished.first().at(0).toBool(), !off);
    QCOMPARE(finished.first().at(1).toString().contains(u"switched off"_s), off);
}

void TestSmsTransport::noBusMeansNoTransport()
{
    // The test runs with both standard buses pointing nowhere, as in CI.
    SmsAvailability availability(QDBusConnection::systemBus(), QDBusConnection::sessionBus());
    QTRY_VERIFY(availability.isSettled());
    QVERIFY(!availability.canSendText());
    QVERIFY(!availability.makeTransport());

    const auto none = QDBusConnection::connectToBus(u"unix:path=/nonexistent/bus"_s, u"none"_s);
    QVERIFY(!none.isConnected());
    for (const QString &service : {u"modemmanager"_s, u"kdeconnect"_s}) {
        const auto transport = transportFor(service, none);
        QSignalSpy finished(transport.get(), &SmsTransport::finished);
        QVERIFY(transport->send(u"+4670"_s, u"hi"_s));
        QCOMPARE(finished.count(), 0);
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.first().at(0).toBool(), false);
    }
    QDBusConnection::disconnectFromBus(u"none"_s);
}

QTEST_GUILESS_MAIN(TestSmsTransport)
#include "tst_smstransport.moc"
