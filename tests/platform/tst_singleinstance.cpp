#include "platform/SingleInstance.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::SingleInstance;

class TestSingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondCopyHandsOver();
    void copiesOfOtherDataFoldersRunSideBySide();
    void lockOfACrashedCopyIsTakenOver();
    void nobodyAnswersWithoutAPrimary();
};

void TestSingleInstance::secondCopyHandsOver()
{
    TestEnvironment env;
    SingleInstance first(u"/data/one"_s);
    QVERIFY(first.becomePrimary());
    QSignalSpy received(&first, &SingleInstance::messageReceived);

    SingleInstance second(u"/data/one"_s);
    QVERIFY(!second.becomePrimary());
    QVERIFY(second.sendToPrimary("activate"));
    QVERIFY(second.sendToPrimary("activate again"));
    QTRY_COMPARE(received.size(), 2);
    QCOMPARE(received.at(0).at(0).toByteArray(), QByteArray("activate"));
    QCOMPARE(received.at(1).at(0).toByteArray(), QByteArray("activate again"));
}

void TestSingleInstance::copiesOfOtherDataFoldersRunSideBySide()
{
    TestEnvironment env;
    SingleInstance one(u"/data/one"_s);
    SingleInstance two(u"/data/two"_s);
    QVERIFY(one.becomePrimary());
    QVERIFY(two.becomePrimary());
    QVERIFY(one.socketPath() != two.socketPath());
}

void TestSingleInstance::lockOfACrashedCopyIsTakenOver()
{
    TestEnvironment env;
    QString lockPath;
    {
        SingleInstance probe(u"/data/crashed"_s);
        lockPath = probe.socketPath();
    }
    lockPath.replace(u".socket"_s, u".lock"_s);
    // What a copy leaves behind when it is killed: its lock, naming a process
    // that no longer exists.
    QVERIFY(
        writeFile(lockPath, "999999999\nvelkari\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
    SingleInstance next(u"/data/crashed"_s);
    QVERIFY(next.becomePrimary());
}

void TestSingleInstance::nobodyAnswersWithoutAPrimary()
{
    TestEnvironment env;
    SingleInstance lonely(u"/data/lonely"_s);
    QVERIFY(!lonely.sendToPrimary("activate", 200));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
