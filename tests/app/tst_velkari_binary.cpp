// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/FileLock.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

// The real program, started as a user starts it.
class TestVelkariBinary : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { mEnv = std::make_unique<TestEnvironment>(); }
    // The app starts the reminder service, which outlives it: stop it.
    void cleanup()
    {
        const QString lock = platform::reminderServiceLockPath();
        const qint64 pid = platform::FileLock::holder(lock);
        if (pid > 0 && platform::FileLock::isHeld(lock))
            ::kill(pid_t(pid), SIGTERM);
        QTRY_VERIFY(!platform::FileLock::isHeld(lock));
        mEnv.reset();
    }
    void startsCreatesItsFilesAndQuitsOnSignal();
    void secondStartHandsOverToTheFirst();
    void saysSoWithoutADisplay();

private:
    std::unique_ptr<TestEnvironment> mEnv;

    static QProcessEnvironment environment(bool display = true)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!display) {
            env.remove(u"QT_QPA_PLATFORM"_s);
            env.remove(u"DISPLAY"_s);
            env.remove(u"WAYLAND_DISPLAY"_s);
        } else {
            env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        }
        return env;
    }

    // Woken by the log folder and its files changing; the deadline only
    // ends a start that hangs.
    static bool waitForLogLine(const QString &documents, const QString &line)
    {
        QFileSystemWatcher watcher;
        QEventLoop changed;
        connect(&watcher, &QFileSystemWatcher::directoryChanged, &changed, &QEventLoop::quit);
        connect(&watcher, &QFileSystemWatcher::fileChanged, &changed, &QEventLoop::quit);
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, &changed, &QEventLoop::quit);
        giveUp.start(20000);
        const auto watch = [&watcher](const QString &path) {
            if (!watcher.files().contains(path) && !watcher.directories().contains(path))
                watcher.addPath(path);
        };
        // The folder may not be made yet: its nearest existing ancestor wakes
        // the loop when the next step down appears.
        const auto nearestFolder = [&documents] {
            QString folder = documents;
            while (!QFileInfo::exists(folder) && folder != QFileInfo(folder).path())
                folder = QFileInfo(folder).path();
            return folder;
        };
        do {
            // Watched before read, so that a line written in between still
            // wakes the loop. A folder made before its parent was watched
            // wakes nothing: then look again at once.
            const QString folder = nearestFolder();
            watch(folder);
            if (nearestFolder() != folder)
                continue;
            const QStringList logs = QDir(documents).entryList({u"*.log"_s}, QDir::Files);
            for (const QString &log : logs)
                watch(documents + u'/' + log);
            for (const QString &log : logs) {
                if (QString::fromUtf8(readFile(documents + u'/' + log)).contains(line))
                    return true;
            }
            changed.exec();
        } while (giveUp.isActive());
        return false;
    }
};

void TestVelkariBinary::startsCreatesItsFilesAndQuitsOnSignal()
{
    const TestEnvironment &env = *mEnv;
    QProcess app;
    app.setProcessEnvironment(environment());
    app.start(QStringLiteral(VELKARI_BINARY), {});
    QVERIFY(app.waitForStarted());
    QVERIFY(waitForLogLine(env.documents(), u"] icon=0"_s));
    QVERIFY(readFile(env.dataFile()).contains("<array/>"));

    app.terminate();
    QVERIFY(app.waitForFinished(20000));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
    QVERIFY(app.readAllStandardError().contains("redirecting logs " + env.documents().toUtf8()));
}

void TestVelkariBinary::secondStartHandsOverToTheFirst()
{
    const TestEnvironment &env = *mEnv;
    QProcess first;
    first.setProcessEnvironment(environment());
    first.start(QStringLiteral(VELKARI_BINARY), {});
    QVERIFY(waitForLogLine(env.documents(), u"] icon=0"_s));

    QProcess second;
    second.setProcessEnvironment(environment());
    second.start(QStringLiteral(VELKARI_BINARY), {});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    // Only the first copy launched: one log file.
    QCOMPARE(QDir(env.documents()).entryList({u"*.log"_s}, QDir::Files).size(), 1);

    first.terminate();
    QVERIFY(first.waitForFinished(20000));
}

void TestVelkariBinary::saysSoWithoutADisplay()
{
    const TestEnvironment &env = *mEnv;
    QProcess app;
    app.setProcessEnvironment(environment(false));
    app.start(QStringLiteral(VELKARI_BINARY), {});
    QVERIFY(app.waitForFinished(20000));
    QCOMPARE(app.exitCode(), 1);
    const QByteArray said = app.readAllStandardError();
    QVERIFY2(said.contains("needs a graphical display") && said.contains("xvfb-run"),
             said.constData());
    QVERIFY(!QFileInfo::exists(env.documents()));
}

QTEST_GUILESS_MAIN(TestVelkariBinary)
#include "tst_velkari_binary.moc"
