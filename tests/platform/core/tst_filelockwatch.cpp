// SPDX-License-Identifier: GPL-3.0-or-later
// Hearing that another process let go of a lock, also by ending or being
// killed, and not before.

#include "platform/core/FileLockWatch.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/file.h>
#include <sys/prctl.h>

using namespace Qt::Literals::StringLiterals;

class TestFileLockWatch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saysOnceTheHolderLetsGo_data();
    void saysOnceTheHolderLetsGo();
};

void TestFileLockWatch::saysOnceTheHolderLetsGo_data()
{
    QTest::addColumn<int>("ending"); // the signal that ends the holder; 0: it exits
    QTest::newRow("exits") << 0;
    QTest::newRow("killed") << int(SIGKILL);
}

void TestFileLockWatch::saysOnceTheHolderLetsGo()
{
    QFETCH(int, ending);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"app.lock"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    // flock(1) holds the lock until its shell reads a line, or is killed.
    QProcess holder;
    holder.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    holder.start(u"flock"_s, {u"-x"_s, path, u"sh"_s, u"-c"_s, u"echo held; read line"_s});
    QVERIFY(holder.waitForReadyRead(5000));

    platform::FileLockWatch watch(path);
    QSignalSpy released(&watch, &platform::FileLockWatch::released);
    // Others opening and closing the file while it is held change nothing.
    for (int i = 0; i < 20; ++i) {
        QFile other(path);
        QVERIFY(other.open(QIODevice::ReadOnly));
    }
    QVERIFY(!released.wait(300));

    if (ending == 0)
        holder.write("\n");
    else
        ::kill(pid_t(holder.processId()), ending);
    QVERIFY(holder.waitForFinished(5000));
    QTRY_COMPARE(released.count(), 1);
}

QTEST_GUILESS_MAIN(TestFileLockWatch)
#include "tst_filelockwatch.moc"
