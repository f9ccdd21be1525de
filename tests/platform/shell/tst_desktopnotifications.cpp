// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/DesktopNotifications.h"
#include "platform/reminders/Reminder.h"
#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::DesktopNotifications;
using platform::Reminder;

namespace {

// A notification server whose capabilities the test chooses, as servers
// differ in them: Phosh answers GetCapabilities with "body", "body-markup",
// "actions", "icon-static" (src/notifications/notify-manager.c), a server
// without buttons leaves "actions" out. It sends ActivationToken before
// ActionInvoked when given a token, as GNOME Shell and Plasma do.
class CapableServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        QString summary, body;
        QStringList actions;
        QVariantMap hints;
    };

    CapableServer(const QDBusConnection &bus, const QStringList &capabilities)
        : mBus(bus)
        , mCapabilities(capabilities)
    {
        registered = mBus.registerObject(u"/org/freedesktop/Notifications"_s, this,
                                         QDBusConnection::ExportAllSlots |
                                             QDBusConnection::ExportAllSignals) &&
                     mBus.registerService(u"org.freedesktop.Notifications"_s);
    }
    ~CapableServer() override
    {
        mBus.unregisterService(u"org.freedesktop.Notifications"_s);
        mBus.unregisterObject(u"/org/freedesktop/Notifications"_s);
    }

    void answer(uint id, const QString &token)
    {
        if (!token.isEmpty())
            Q_EMIT ActivationToken(id, token);
        Q_EMIT ActionInvoked(id, u"default"_s);
    }

    bool registered = false;
    int capabilityQuestions = 0;
    QList<Shown> shown;

public Q_SLOTS:
    QStringList GetCapabilities()
    {
        ++capabilityQuestions;
        return mCapabilities;
    }
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &hints, int)
    {
        shown.append({summary, body, actions, hints});
        return uint(shown.size());
    }
    void CloseNotification(uint id) { Q_EMIT NotificationClosed(id, 3); }

Q_SIGNALS:
    void ActionInvoked(uint id, const QString &action);
    void ActivationToken(uint id, const QString &token);
    void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection mBus;
    QStringList mCapabilities;
};

Reminder reminder(const QString &body, const QString &soundName)
{
    Reminder r;
    r.alertBody = body;
    r.alertAction = u"Prepare"_s;
    r.soundName = soundName;
    r.fireDate = QDateTime::currentDateTimeUtc();
    return r;
}

const QStringList phosh{u"body"_s, u"body-markup"_s, u"actions"_s, u"icon-static"_s};

} // namespace

class TestDesktopNotifications : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(mBus.isRunning()); }
    void aReminderAsTheServerCanShowIt_data();
    void aReminderAsTheServerCanShowIt();
    void theAnswerCarriesTheServersToken_data();
    void theAnswerCarriesTheServersToken();

private:
    PrivateBus mBus;
    int mConnections = 0;
};

void TestDesktopNotifications::aReminderAsTheServerCanShowIt_data()
{
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<QString>("soundName");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("shownBody");
    QTest::addColumn<bool>("answerable");
    QTest::addColumn<QVariantMap>("soundHints");

    const QString plain = u"Send SMS to :\nAnna Berg (555 0100) ?"_s;
    const QString odd = u"Send SMS to :\nB&B <Ltd> (555 0101) ?"_s;
    const QVariantMap defaultSound{{u"sound-name"_s, u"message-new-instant"_s}};
    QTest::newRow("phosh, default sound")
        << phosh << platform::DefaultSoundName << plain << plain << true << defaultSound;
    // Phosh reads the body as markup: a name's & and < stay text.
    QTest::newRow("phosh, name with markup characters")
        << phosh << platform::DefaultSoundName << odd
        << u"Send SMS to :\nB&amp;B &lt;Ltd&gt; (555 0101) ?"_s << true << defaultSound;
    QTest::newRow("plain text server keeps the text as it is")
        << QStringList{u"actions"_s, u"body"_s} << platform::DefaultSoundName << odd << odd << true
        << defaultSound;
    QTest::newRow("named sound") << phosh << u"bell"_s << plain << plain << true
                                 << QVariantMap{{u"sound-name"_s, u"bell"_s}};
    QTest::newRow("silent reminder")
        << phosh << QString() << plain << plain << true << QVariantMap{{u"suppress-sound"_s, true}};
    QTest::newRow("server without buttons")
        << QStringList{u"body"_s} << platform::DefaultSoundName << plain
        << plain + u"\nOpen Velkari to prepare the message."_s << false << defaultSound;
}

void TestDesktopNotifications::aReminderAsTheServerCanShowIt()
{
    QFETCH(QStringList, capabilities);
    QFETCH(QString, soundName);
    QFETCH(QString, body);
    QFETCH(QString, shownBody);
    QFETCH(bool, answerable);
    QFETCH(QVariantMap, soundHints);

    QDBusConnection serverBus = mBus.connect(u"server%1"_s.arg(++mConnections));
    CapableServer server(serverBus, capabilities);
    QVERIFY(server.registered);
    PrivateBus::settle(serverBus);
    DesktopNotifications notifications(mBus.connect(u"client%1"_s.arg(mConnections)));
    QSignalSpy unanswerable(&notifications, &DesktopNotifications::shownWithoutAnswer);

    // Two at once: the capabilities are asked once, and both wait for them.
    notifications.showReminder(reminder(body, soundName));
    notifications.showReminder(reminder(body, soundName));
    QTRY_COMPARE(server.shown.size(), 2);
    QCOMPARE(server.capabilityQuestions, 1);
    notifications.showReminder(reminder(body, soundName));
    QTRY_COMPARE(server.shown.size(), 3);
    QCOMPARE(server.capabilityQuestions, 1);

    const CapableServer::Shown shown = server.shown.first();
    // A lock screen shows the summary to anyone: no name, no number.
    QCOMPARE(shown.summary, u"A message to send"_s);
    QCOMPARE(shown.body, shownBody);
    QCOMPARE(shown.hints.value(u"category"_s).toString(), u"im.received"_s);
    QCOMPARE(shown.hints.value(u"desktop-entry"_s).toString(), u"org.velkari.Velkari"_s);
    for (auto hint = soundHints.cbegin(); hint != soundHints.cend(); ++hint)
        QCOMPARE(shown.hints.value(hint.key()), hint.value());
    QCOMPARE(shown.hints.contains(u"suppress-sound"_s), soundName.isEmpty());
    QCOMPARE(shown.hints.contains(u"sound-name"_s), !soundName.isEmpty());
    if (answerable) {
        QCOMPARE(shown.actions,
                 (QStringList{u"default"_s, u"Prepare"_s, u"answer"_s, u"Prepare"_s}));
        QCOMPARE(unanswerable.size(), 0);
    } else {
        QVERIFY(shown.actions.isEmpty());
        QTRY_COMPARE(unanswerable.size(), 3);
    }
}

void TestDesktopNotifications::theAnswerCarriesTheServersToken_data()
{
    QTest::addColumn<QString>("token");
    QTest::newRow("GNOME Shell or Plasma send one") << u"gnome-shell/Velkari/1234-5-host_TIME0"_s;
    QTest::newRow("Phosh sends none") << QString();
}

void TestDesktopNotifications::theAnswerCarriesTheServersToken()
{
    QFETCH(QString, token);
    QDBusConnection serverBus = mBus.connect(u"server%1"_s.arg(++mConnections));
    CapableServer server(serverBus, phosh);
    PrivateBus::settle(serverBus);
    DesktopNotifications notifications(mBus.connect(u"client%1"_s.arg(mConnections)));
    QSignalSpy answered(&notifications, &DesktopNotifications::answered);
    const QString first = notifications.showReminder(reminder(u"A"_s, {}));
    const QString second = notifications.showReminder(reminder(u"B"_s, {}));
    QTRY_COMPARE(server.shown.size(), 2);

    // The token of one notification is not taken for another.
    server.answer(2, token);
    server.answer(1, {});
    QTRY_COMPARE(answered.size(), 2);
    QCOMPARE(answered.at(0), (QVariantList{second, token}));
    QCOMPARE(answered.at(1), (QVariantList{first, QString()}));
}

QTEST_GUILESS_MAIN(TestDesktopNotifications)
#include "tst_desktopnotifications.moc"
