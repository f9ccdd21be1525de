// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/SingleInstance.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using platform::SingleInstance;

class TestSingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondCopyHandsOver();
    void copiesOfOtherDataFoldersRunSideBySide();
    void lockOfACrashedCopyIsTakenOver();
    void nobodyAnswersWithoutAPrimary();
    void waitsForThePrimaryToListen_data();
    void waitsForThePrimaryToListen();
    void noSharedNamesWithoutARuntimeFolder_data();
    void noSharedNamesWithoutARuntimeFolder();
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

void TestSingleInstance::waitsForThePrimaryToListen_data()
{
    QTest::addColumn<bool>("staleSocket");
    QTest::newRow("no socket yet") << false;
    QTest::newRow("the socket of a crashed copy") << true;
}

// The running copy took the lock but listens only after the later copy
// first asked: the later one waits for it, not for a timer.
void TestSingleInstance::waitsForThePrimaryToListen()
{
    QFETCH(bool, staleSocket);
    TestEnvironment env;
    SingleInstance first(u"/data/late"_s);
    SingleInstance second(u"/data/late"_s);
    if (staleSocket) {
        // Bound, never listened on: what a killed copy leaves refuses.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(first.socketPath());
        QVERIFY(fd >= 0 && size_t(name.size()) < sizeof address.sun_path);
        std::copy(name.cbegin(), name.cend(), address.sun_path);
        QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
        ::close(fd);
    }
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    bool primary = false;
    QTimer::singleShot(0, &first, [&] { primary = first.becomePrimary(); });
    QVERIFY(second.sendToPrimary("activate", 30000));
    QVERIFY(primary);
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toByteArray(), QByteArray("activate"));
}

void TestSingleInstance::noSharedNamesWithoutARuntimeFolder_data()
{
    QTest::addColumn<QString>("squat");
    for (const char *squat : {"nothing", "open folder", "link", "folder of another user"})
        QTest::newRow(squat) << QString::fromLatin1(squat);
}

// Another user who takes the shared temporary folder's names first neither
// makes Velkari give up nor hears what it hands over.
void TestSingleInstance::noSharedNamesWithoutARuntimeFolder()
{
    QFETCH(QString, squat);
    TestEnvironment env;
    const passwd *nobody = ::getpwnam("nobody");
    if (squat == u"folder of another user" && (::geteuid() != 0 || !nobody))
        QSKIP("needs root and a user 'nobody'");
    const QString shared = env.root() + u"/tmp"_s;
    QVERIFY(QDir().mkpath(shared));
    const QByteArray savedTmp = qgetenv("TMPDIR");
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(shared));
    qunsetenv("XDG_RUNTIME_DIR");
    const QString predictable = shared + u"/velkari-"_s + QString::number(::geteuid());
    const QByteArray name = QFile::encodeName(predictable);
    if (squat == u"open folder") {
        QCOMPARE(::mkdir(name.constData(), 0777), 0);
        QCOMPARE(::chmod(name.constData(), 0777), 0);
    } else if (squat == u"link") {
        QVERIFY(QDir().mkpath(env.root() + u"/elsewhere"_s));
        QVERIFY(QFile::link(env.root() + u"/elsewhere"_s, predictable));
    } else if (squat == u"folder of another user") {
        QCOMPARE(::mkdir(name.constData(), 0700), 0);
        QCOMPARE(::chown(name.constData(), nobody->pw_uid, nobody->pw_gid), 0);
    }

    SingleInstance first(u"/data/one"_s);
    SingleInstance second(u"/data/one"_s);
    const bool primary = first.becomePrimary();
    const bool secondPrimary = second.becomePrimary();
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    const bool handed = second.sendToPrimary("activate");
    qputenv("TMPDIR", savedTmp);
    qputenv("XDG_RUNTIME_DIR", savedRuntime);

    QVERIFY(primary);
    QVERIFY(!secondPrimary);
    QVERIFY(handed);
    QTRY_COMPARE(received.size(), 1);
    const QString folder = QFileInfo(first.socketPath()).absolutePath();
    struct stat info = {};
    QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &info), 0);
    QVERIFY(S_ISDIR(info.st_mode));
    QCOMPARE(info.st_uid, ::geteuid());
    QCOMPARE(info.st_mode & 077, 0u);
    if (squat != u"nothing")
        QVERIFY(!first.socketPath().startsWith(shared));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
