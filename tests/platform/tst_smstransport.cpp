#include "platform/KdeConnectTransport.h"
#include "platform/ModemManagerTransport.h"
#include "platform/SmsTransport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/prctl.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using platform::SmsTransport;

namespace {

// Children go with the test, even when it crashes.
void startChild(QProcess &process, const QString &program, const QStringList &arguments)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process.start(program, arguments);
}

// A private bus, with stand-ins for ModemManager and KDE Connect on it as a
// test asks; all of it goes away with the object.
class FakeBus {
public:
    FakeBus()
        : mName(u"fake-bus-"_s + QString::number(++sCount))
    {
        const QString config = mDir.filePath(u"bus.conf"_s);
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write(
            "<busconfig><type>session</type><listen>unix:dir=" + QFile::encodeName(mDir.path()) +
            "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
            "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
            "<allow own=\"*\"/></policy></busconfig>");
        file.close();
        startChild(mDaemon, QStandardPaths::findExecutable(u"dbus-daemon"_s),
                   {u"--config-file="_s + config, u"--nofork"_s, u"--print-address=1"_s});
        if (mDaemon.waitForReadyRead(5000))
            mAddress = QString::fromUtf8(mDaemon.readLine()).trimmed();
    }

    ~FakeBus()
    {
        QDBusConnection::disconnectFromBus(mName);
        for (const auto &service : mServices) {
            service->kill();
            service->waitForFinished();
        }
        mDaemon.kill();
        mDaemon.waitForFinished();
    }

    QDBusConnection connection() const { return QDBusConnection::connectToBus(mAddress, mName); }

    // Starts the stand-in for "modemmanager" or "kdeconnect"; true once it
    // serves on the bus. An empty behaviour leaves the service out.
    bool add(const QString &service, const QString &behaviour)
    {
        if (mAddress.isEmpty() || behaviour.isEmpty())
            return !mAddress.isEmpty();
        auto &process = *mServices.emplace_back(std::make_unique<QProcess>());
        startChild(process, QStringLiteral(FAKE_SMS_SERVICES), {mAddress, service, behaviour});
        return process.waitForReadyRead(5000) && process.readLine() == "{\"ready\":true}\n";
    }

    // What the stand-ins recorded so far of the named call.
    QList<QJsonObject> calls(const QString &name)
    {
        for (const auto &service : mServices) {
            const QList<QByteArray> lines = service->readAllStandardOutput().split('\n');
            for (const QByteArray &line : lines) {
                if (!line.isEmpty())
                    mCalls.append(QJsonDocument::fromJson(line).object());
            }
        }
        QList<QJsonObject> found;
        for (const QJsonObject &call : std::as_const(mCalls)) {
            if (call.value(u"call"_s).toString() == name)
                found.append(call);
        }
        return found;
    }

private:
    static inline int sCount = 0;
    QTemporaryDir mDir;
    QProcess mDaemon;
    QString mAddress;
    QString mName;
    std::vector<std::unique_ptr<QProcess>> mServices;
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
    void confirmsSentHoweverTheStateArrives_data();
    void confirmsSentHoweverTheStateArrives();
    void reportsFailureOnce_data();
    void reportsFailureOnce();
    void timesOutOnce_data();
    void timesOutOnce();
    void lateAnswerDoesNotReachTheNextSend_data();
    void lateAnswerDoesNotReachTheNextSend();
    void keepsTheEventLoopRunning_data();
    void keepsTheEventLoopRunning();
    void ignoresStateFromOthers();
    void choosesTransport_data();
    void choosesTransport();
    void noBusMeansNoTransport();
};

void TestSmsTransport::deliversNumberAndTextExactly_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("text");

    const QList<std::tuple<const char *, QString, QString>> messages{
        {"plain", u"+46701234567"_s, u"See you at 8"_s},
        {"unicode", u"+46 70-123 45 67"_s, u"Grüße ✓ 你好 🎉 שלום"_s},
        {"shell and quotes", u"0701234567; rm -rf ~"_s,
         u"\"quoted\" 'single' `id` $(rm -rf /) ; && | > /tmp/x $HOME \\"_s},
        {"line breaks", u"*100#"_s, u"one\ntwo\r\nthree\ttab\n"_s},
        {"long", u"+4670"_s, u"Lång text 🎉 "_s.repeated(60)},
        {"empty text", u"+4670"_s, QString()},
    };
    for (const QString &service : {u"modemmanager"_s, u"kdeconnect"_s}) {
        for (const auto &[name, number, text] : messages)
            QTest::addRow("%s, %s", qPrintable(service), name) << service << number << text;
    }
}

void TestSmsTransport::deliversNumberAndTextExactly()
{
    QFETCH(QString, service);
    QFETCH(QString, number);
    QFETCH(QString, text);
    FakeBus bus;
    QVERIFY(bus.add(service, u"sends"_s));
    const auto transport = transportFor(service, bus.connection());
    QSignalSpy finished(transport.get(), &SmsTransport::finished);
    QSignalSpy states(transport.get(), &SmsTransport::stateChanged);

    QVERIFY(transport->send(number, text));
    QCOMPARE(finished.count(), 0); // never from inside send()
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.first(), (QVariantList{true, QString()}));
    QCOMPARE(states.count(), 2);
    QCOMPARE(states.at(0).first().value<SmsTransport::State>(), SmsTransport::State::Sending);
    QCOMPARE(states.at(1).first().value<SmsTransport::State>(), SmsTransport::State::Sent);

    const QList<QJsonObject> messages = bus.calls(u"message"_s);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().value(u"numbers"_s).toArray(), QJsonArray{number});
    QCOMPARE(messages.first().value(u"text"_s).toString(), text);
    if (service == u"modemmanager"_s) {
        QCOMPARE(messages.first().value(u"keys"_s).toArray(), (QJsonArray{u"number"_s, u"text"_s}));
        QCOMPARE(bus.calls(u"Send"_s).size(), 1);
    }
}

void TestSmsTransport::confirmsSentHoweverTheStateArrives_data()
{
    QTest::addColumn<QString>("behaviour");
    QTest::newRow("sent before Send answers") << u"sends"_s;
    QTest::newRow("announced after Send answers") << u"queued"_s;
    QTest::newRow("never announced") << u"silent"_s;
    QTest::newRow("announced as invalidated") << u"invalidates"_s;
}

void TestSmsTransport::confirmsSentHoweverTheStateArrives()
{
    QFETCH(QString, behaviour);
    FakeBus bus;
    QVERIFY(bus.add(u"modemmanager"_s, behaviour));
    platform::ModemManagerTransport transport(bus.connection());
    transport.setTimeLimit(10s);
    QSignalSpy finished(&transport, &SmsTransport::finished);

    QVERIFY(transport.send(u"+4670"_s, u"hi"_s));
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.first(), (QVariantList{true, QString()}));
    QCOMPARE(transport.state(), SmsTransport::State::Sent);
    QVERIFY(bus.calls(u"Delete"_s).isEmpty());
}

void TestSmsTransport::reportsFailureOnce_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("behaviour");
    QTest::addColumn<int>("deletedDrafts");

    QTest::newRow("Send fails") << u"modemmanager"_s << u"send-error"_s << 1;
    QTest::newRow("state falls back") << u"modemmanager"_s << u"falls-back"_s << 1;
    QTest::newRow("Create refused") << u"modemmanager"_s << u"create-error"_s << 0;
    QTest::newRow("ModemManager crashes") << u"modemmanager"_s << u"crashes"_s << 0;
    QTest::newRow("modem without messaging") << u"modemmanager"_s << u"no-messaging"_s << 0;
    QTest::newRow("no modem") << u"modemmanager"_s << u"no-modem"_s << 0;
    QTest::newRow("ModemManager absent") << u"modemmanager"_s << QString() << 0;
    QTest::newRow("sendSms fails") << u"kdeconnect"_s << u"sms-error"_s << 0;
    QTest::newRow("no reachable device") << u"kdeconnect"_s << u"no-device"_s << 0;
    QTest::newRow("no sms plugin") << u"kdeconnect"_s << u"no-sms-plugin"_s << 0;
    QTest::newRow("KDE Connect absent") << u"kdeconnect"_s << QString() << 0;
}

void TestSmsTransport::reportsFailureOnce()
{
    QFETCH(QString, service);
    QFETCH(QString, behaviour);
    QFETCH(int, deletedDrafts);
    FakeBus bus;
    QVERIFY(bus.add(service, behaviour));
    const auto transport = transportFor(service, bus.connection());
    QSignalSpy finished(transport.get(), &SmsTransport::finished);

    QVERIFY(transport->send(u"+4670"_s, u"hi"_s));
    QCOMPARE(finished.count(), 0);
    // Well within the time limit: the failure itself is reported.
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toBool(), false);
    QVERIFY(!finished.first().at(1).toString().isEmpty());
    QCOMPARE(transport->state(), SmsTransport::State::Failed);
    QTRY_COMPARE(bus.calls(u"Delete"_s).size(), deletedDrafts);
    QTest::qWait(300);
    QCOMPARE(finished.count(), 1);
}

void TestSmsTransport::timesOutOnce_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("behaviour");
    QTest::newRow("no modem list") << u"modemmanager"_s << u"objects-hang"_s;
    QTest::newRow("Create unanswered") << u"modemmanager"_s << u"create-hangs"_s;
    QTest::newRow("Send unanswered") << u"modemmanager"_s << u"send-hangs"_s;
    QTest::newRow("stuck sending") << u"modemmanager"_s << u"stuck"_s;
    QTest::newRow("sendSms unanswered") << u"kdeconnect"_s << u"sms-hangs"_s;
}

void TestSmsTransport::timesOutOnce()
{
    QFETCH(QString, service);
    QFETCH(QString, behaviour);
    FakeBus bus;
    QVERIFY(bus.add(service, behaviour));
    const auto transport = transportFor(service, bus.connection());
    transport->setTimeLimit(300ms);
    QSignalSpy finished(transport.get(), &SmsTransport::finished);

    QVERIFY(transport->send(u"+4670"_s, u"hi"_s));
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toBool(), false);
    QVERIFY(finished.first().at(1).toString().contains(u"0.3 s"_s));
    QTest::qWait(600);
    QCOMPARE(finished.count(), 1);
}

void TestSmsTransport::lateAnswerDoesNotReachTheNextSend_data()
{
    QTest::addColumn<QString>("service");
    QTest::newRow("ModemManager") << u"modemmanager"_s;
    QTest::newRow("KDE Connect") << u"kdeconnect"_s;
}

void TestSmsTransport::lateAnswerDoesNotReachTheNextSend()
{
    QFETCH(QString, service);
    FakeBus bus;
    QVERIFY(bus.add(service, u"first-slow"_s));
    const auto transport = transportFor(service, bus.connection());
    transport->setTimeLimit(200ms);
    QSignalSpy finished(transport.get(), &SmsTransport::finished);

    QVERIFY(transport->send(u"+4670"_s, u"first"_s));
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), false);

    // The first message's success arrives while the second one waits for
    // an answer that never comes: it is not the second one's.
    transport->setTimeLimit(1500ms);
    QVERIFY(transport->send(u"+4670"_s, u"second"_s));
    QTRY_COMPARE(bus.calls(u"replied"_s).size(), 1);
    QTest::qWait(200);
    QCOMPARE(finished.count(), 1);
    QTRY_COMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).toBool(), false);
}

void TestSmsTransport::keepsTheEventLoopRunning_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("behaviour");
    QTest::addColumn<QString>("unanswered");
    QTest::newRow("ModemManager") << u"modemmanager"_s << u"send-hangs"_s << u"Send"_s;
    QTest::newRow("KDE Connect") << u"kdeconnect"_s << u"sms-hangs"_s << u"message"_s;
}

void TestSmsTransport::keepsTheEventLoopRunning()
{
    QFETCH(QString, service);
    QFETCH(QString, behaviour);
    QFETCH(QString, unanswered);
    FakeBus bus;
    QVERIFY(bus.add(service, behaviour));
    auto transport = transportFor(service, bus.connection());
    QSignalSpy finished(transport.get(), &SmsTransport::finished);

    // With the default minute to wait, the test's own loop sees the call
    // arrive and keeps turning while it goes unanswered.
    QVERIFY(transport->send(u"+4670"_s, u"first"_s));
    QVERIFY(transport->isBusy());
    QVERIFY(!transport->send(u"+4670"_s, u"second"_s)); // one at a time
    QTRY_COMPARE(bus.calls(unanswered).size(), 1);
    QTest::qWait(200);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(bus.calls(u"message"_s).size(), 1);

    transport.reset(); // giving up on a send midway is quiet and safe
    QTest::qWait(100);
    QCOMPARE(finished.count(), 0);
}

void TestSmsTransport::ignoresStateFromOthers()
{
    FakeBus bus;
    QVERIFY(bus.add(u"modemmanager"_s, u"send-hangs"_s));
    platform::ModemManagerTransport transport(bus.connection());
    QSignalSpy finished(&transport, &SmsTransport::finished);
    QVERIFY(transport.send(u"+4670"_s, u"hi"_s));
    QTRY_COMPARE(bus.calls(u"Send"_s).size(), 1);

    // Anyone on the bus can claim the message was sent; only ModemManager
    // is believed.
    const QString sms = bus.calls(u"Send"_s).first().value(u"sms"_s).toString();
    QDBusMessage claim = QDBusMessage::createSignal(sms, u"org.freedesktop.DBus.Properties"_s,
                                                    u"PropertiesChanged"_s);
    claim << u"org.freedesktop.ModemManager1.Sms"_s
          << QVariantMap{{u"State"_s, QVariant::fromValue(5u)}} << QStringList();
    QVERIFY(bus.connection().send(claim));
    QTest::qWait(300);
    QCOMPARE(finished.count(), 0);
}

void TestSmsTransport::choosesTransport_data()
{
    QTest::addColumn<QString>("modemManager");
    QTest::addColumn<QString>("kdeConnect");
    QTest::addColumn<QString>("chosen");

    QTest::newRow("modem before KDE Connect") << u"sends"_s << u"sends"_s << u"ModemManager"_s;
    QTest::newRow("the modem that can message")
        << u"second-modem"_s << QString() << u"ModemManager"_s;
    QTest::newRow("modem cannot message") << u"no-messaging"_s << u"sends"_s << u"KDE Connect"_s;
    QTest::newRow("device with the plugin") << QString() << u"second-device"_s << u"KDE Connect"_s;
    QTest::newRow("ModemManager hangs") << u"objects-hang"_s << QString() << QString();
    QTest::newRow("nothing usable") << u"no-modem"_s << u"no-sms-plugin"_s << QString();
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

    QCOMPARE(SmsTransport::canSendText(bus.connection(), bus.connection()), !chosen.isEmpty());
    const auto transport = SmsTransport::availableTransport(bus.connection(), bus.connection());
    QCOMPARE(transport ? transport->name() : QString(), chosen);
    if (!transport)
        return;

    // The chosen one works: a wrong modem or device would refuse the message.
    QSignalSpy finished(transport.get(), &SmsTransport::finished);
    QVERIFY(transport->send(u"+4670"_s, u"hi"_s));
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.first(), (QVariantList{true, QString()}));
}

void TestSmsTransport::noBusMeansNoTransport()
{
    // The test runs with both standard buses pointing nowhere, as in CI.
    QVERIFY(!SmsTransport::canSendText());
    QVERIFY(!SmsTransport::availableTransport());

    const QDBusConnection none =
        QDBusConnection::connectToBus(u"unix:path=/nonexistent/velkari-bus"_s, u"none"_s);
    QVERIFY(!none.isConnected());
    for (const QString &service : {u"modemmanager"_s, u"kdeconnect"_s}) {
        const auto transport = transportFor(service, none);
        QSignalSpy finished(transport.get(), &SmsTransport::finished);
        QVERIFY(transport->send(u"+4670"_s, u"hi"_s));
        QCOMPARE(finished.count(), 0);
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.first().at(0).toBool(), false);
        QVERIFY(!finished.first().at(1).toString().isEmpty());
    }
    QDBusConnection::disconnectFromBus(u"none"_s);
}

QTEST_GUILESS_MAIN(TestSmsTransport)
#include "tst_smstransport.moc"
