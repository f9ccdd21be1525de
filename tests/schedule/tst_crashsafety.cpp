// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/PropertyList.h"
#include "schedule/ScheduleStore.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>

using namespace Qt::Literals::StringLiterals;
using namespace velkari;

// A writer killed at any moment while saving leaves the old file or the new
// one, never a torn one, and the app starts on whatever it left.
class TestCrashSafety : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedWriterNeverTearsTheFile();
};

void TestCrashSafety::killedWriterNeverTearsTheFile()
{
    TestEnvironment env;
    QRandomGenerator random(20261207);
    QDir documents(env.documents());
    const auto leftovers = [&documents] {
        return documents.entryList({u". Velkari.dat.*"_s}, QDir::Files | QDir::Hidden);
    };
    int sawA = 0;
    int sawB = 0;
    // Forty kills at least, more while a busy machine has not yet let the
    // writer reach both versions, or no kill has yet caught it mid-write.
    for (int kill = 0; kill < 200 && (kill < 40 || sawA == 0 || sawB == 0 || leftovers().isEmpty());
         ++kill) {
        QProcess writer;
        writer.start(QStringLiteral(STORE_WRITER), {u"800"_s});
        QVERIFY(writer.waitForStarted());
        QTest::qWait(int(random.bounded(5, 60 + kill)));
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished(5000));

        if (!QFile::exists(env.dataFile()))
            continue; // killed before it made the store at all (a busy machine)
        const QByteArray bytes = readFile(env.dataFile());
        const auto list = platform::PropertyList::parse(bytes);
        QVERIFY2(list, qPrintable(u"torn after kill %1"_s.arg(kill)));
        const QVariantList records = list->toList();
        if (records.isEmpty())
            continue; // killed before its first save: the empty store it created
        QCOMPARE(records.size(), 800);
        const QString mark = records.first().toList().at(1).toString().left(1);
        QVERIFY(mark == u"A" || mark == u"B");
        for (const QVariant &record : records)
            QVERIFY(record.toList().at(1).toString().startsWith(mark)); // one version, whole
        (mark == u"A" ? sawA : sawB)++;
    }
    QVERIFY(sawA > 0 && sawB > 0);

    // Killed writers leave their temporary copies; once old, the next start
    // clears them away.
    const QStringList left = leftovers();
    QVERIFY(!left.isEmpty());
    for (const QString &name : left) {
        QFile file(documents.filePath(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                                 QFileDevice::FileModificationTime));
    }

    // One being written right now by someone else stays.
    const QString fresh = documents.filePath(u". Velkari.dat.Zz9Zz9"_s);
    QVERIFY(writeFile(fresh, "in progress"));

    // The app starts on what the last writer left.
    StderrCapture quiet;
    ScheduleStore store;
    const ScheduleStore::LoadReport report = store.LoadData();
    QVERIFY(!report.readFailed);
    QCOMPARE(store.count(), 800);
    QCOMPARE(documents.entryList({u". Velkari.dat.*"_s}, QDir::Files | QDir::Hidden),
             QStringList{u". Velkari.dat.Zz9Zz9"_s});
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
