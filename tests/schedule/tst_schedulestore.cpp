// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Log.h"
#include "platform/core/PrivateFiles.h"
#include "platform/core/PropertyList.h"
#include "platform/core/TimeZones.h"
#include "schedule/ScheduleStore.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <pwd.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;
using namespace velkari;

namespace {

const QByteArray emptyStore = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                              "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                              "<plist version=\"1.0\">\n<array/>\n</plist>\n";

// The message part of each log line, without time stamp and process.
QStringList logMessages(const QString &log)
{
    QStringList messages;
    for (const QString &line : log.split(u'\n', Qt::SkipEmptyParts))
        messages.append(line.section(u"] "_s, 1));
    return messages;
}

QVariantList record(const QString &id, const QDateTime &date)
{
    return {id, u"Anna Berg"_s, u"555 0100"_s, date, u"Hi"_s, u"0"_s, u"0"_s};
}

// Writes beyond a size fail, as on a full disk, for as long as it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &mSaved);
        mOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = mSaved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &mSaved);
        std::signal(SIGXFSZ, mOldHandler);
    }

private:
    rlimit mSaved{};
    void (*mOldHandler)(int);
};

} // namespace

class TestScheduleStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstStartCreatesAnEmptyStore();
    void loadsAnExistingStoreInFileOrder();
    void unchangedSaveKeepsEveryByte();
    void savesRecordsInPositionOrder();
    void everyChangeBetweenSavesIsWritten_data();
    void everyChangeBetweenSavesIsWritten();
    void datesComeBackInWholeSeconds();
    void nameWithoutLeadingSpaceIsAnotherFile();
    void unreadableFileIsLeftAlone_data();
    void unreadableFileIsLeftAlone();
    void acceptsByteOrderMark();
    void creationFailureLeavesNoList();
    void failedSaveKeepsThePreviousFile();
    void hostileFilesNeitherHangNorLeak_data();
    void hostileFilesNeitherHangNorLeak();
};

void TestScheduleStore::firstStartCreatesAnEmptyStore()
{
    TestEnvironment env;
    ScheduleStore store;
    ScheduleStore::LoadReport report;
    QString log;
    {
        StderrCapture capture;
        report = store.LoadData();
        log = capture.text();
    }
    QVERIFY(!report.creationFailed);
    QVERIFY(!report.readFailed);
    QCOMPARE(logMessages(log), (QStringList{u"VelkariViewController Load Data Function"_s,
                                            env.documents(), u"Velkari.dat doesn't exist"_s,
                                            u"Velkari.dat created successfully"_s, u"0"_s}));
    QCOMPARE(store.mDataPath(), env.documents() + u"/ Velkari.dat"_s);
    QCOMPARE(readFile(env.dataFile()), emptyStore);
    QCOMPARE(store.mList(), std::optional(QVariantList()));
}

void TestScheduleStore::loadsAnExistingStoreInFileOrder()
{
    TestEnvironment env;
    QVERIFY(QDir().mkpath(env.documents()));
    QVERIFY(writeFile(env.dataFile(), readFile(testDataPath(u"store/plistlib-store.plist"_s))));

    ScheduleStore store;
    QString log;
    {
        StderrCapture capture;
        store.LoadData();
        log = capture.text();
    }
    QCOMPARE(logMessages(log),
             (QStringList{u"VelkariViewController Load Data Function"_s, env.documents(), u"7"_s}));
    QVERIFY(store.mList());
    QCOMPARE(store.count(), 7);
    QCOMPARE(store.mList()->at(0).toList().at(1), QVariant(u"Anna Berg"_s));
    QCOMPARE(store.mList()->at(2).toList().size(), 6);
    QCOMPARE(store.mList()->at(4), QVariant(u"not a record"_s));
}

void TestScheduleStore::unchangedSaveKeepsEveryByte()
{
    TestEnvironment env;
    const QByteArray original = readFile(testDataPath(u"store/plistlib-store.plist"_s));
    QVERIFY(QDir().mkpath(env.documents()));
    QVERIFY(writeFile(env.dataFile(), original));

    ScheduleStore store;
    StderrCapture quiet;
    store.LoadData();
    QCOMPARE(store.SaveData().status, ScheduleStore::SaveStatus::Saved);
    QCOMPARE(readFile(env.dataFile()), original);
}

void TestScheduleStore::savesRecordsInPositionOrder()
{
    TestEnvironment env;
    ScheduleStore store;
    StderrCapture quiet;
    store.LoadData();
    const QDateTime date(QDate(2026, 12, 24), QTime(18, 0), platform::utc());
    for (const QString &id : {u"A"_s, u"B"_s, u"C"_s})
        store.mList()->append(QVariant(record(id, date)));
    QCOMPARE(store.SaveData().status, ScheduleStore::SaveStatus::Saved);

    QByteArray expected = emptyStore;
    QByteArray records;
    for (const char *id : {"A", "B", "C"}) {
        records += QByteArray("\t<array>\n\t\t<string>") + id +
                   "</string>\n\t\t<string>Anna Berg</string>\n\t\t<string>555 0100</string>\n"
                   "\t\t<date>2026-12-24T18:00:00Z</date>\n\t\t<string>Hi</string>\n"
                   "\t\t<string>0</string>\n\t\t<string>0</string>\n\t</array>\n";
    }
    expected.replace("<array/>\n", "<array>\n" + records + "</array>\n");
    QCOMPARE(readFile(env.dataFile()), expected);
}

using ListChange = std::function<void(QVariantList &)>;
Q_DECLARE_METATYPE(ListChange)

// A save keeps each record's bytes for the next one; whatever happened to
// the list in between, the file is the whole list as it now is.
void TestScheduleStore::everyChangeBetweenSavesIsWritten_data()
{
    QTest::addColumn<ListChange>("change");
    const QDateTime later(QDate(2027, 1, 2), QTime(3, 4, 5), platform::utc());
    QTest::newRow("field replaced in place") << ListChange([](QVariantList &list) {
        (*static_cast<QVariantList *>(list[4].data()))[1] = u"Eva & <Co>"_s;
    });
    QTest::newRow("record replaced") << ListChange([later](QVariantList &list) {
        QVariantList fields = list[7].toList();
        fields[3] = later;
        fields[5] = u"1"_s;
        list[7] = fields;
    });
    QTest::newRow("first removed") << ListChange([](QVariantList &list) { list.removeFirst(); });
    QTest::newRow("twenty in a row removed")
        << ListChange([](QVariantList &list) { list.remove(3, 20); });
    QTest::newRow("inserted and appended") << ListChange([later](QVariantList &list) {
        list.insert(5, QVariant(record(u"new"_s, later)));
        list.append(QVariant(record(u"last"_s, later)));
    });
    QTest::newRow("moved and duplicated") << ListChange([](QVariantList &list) {
        list.move(0, 30);
        list.append(list[2]);
    });
    QTest::newRow("short record and another type") << ListChange([](QVariantList &list) {
        QVariantList fields = list[9].toList();
        fields.removeLast();
        list[9] = fields;
        list[10] = u"no record"_s;
    });
    QTest::newRow("emptied") << ListChange([](QVariantList &list) { list.clear(); });
}

void TestScheduleStore::everyChangeBetweenSavesIsWritten()
{
    QFETCH(ListChange, change);
    TestEnvironment env;
    ScheduleStore store;
    StderrCapture quiet;
    store.LoadData();
    for (int i = 0; i < 40; ++i) {
        store.mList()->append(QVariant(record(
            u"ID-%1"_s.arg(i), QDateTime(QDate(2026, 12, 24), QTime(18, i), platform::utc()))));
    }
    QCOMPARE(store.SaveData().status, ScheduleStore::SaveStatus::Saved);
    change(*store.mList());
    QCOMPARE(store.SaveData().status, ScheduleStore::SaveStatus::Saved);
    const QVariant expected(*store.mList());
    QCOMPARE(readFile(env.dataFile()), platform::PropertyList::serialize(expected));
    // And once more unchanged, from the bytes kept.
    QCOMPARE(store.SaveData().status, ScheduleStore::SaveStatus::Saved);
    QCOMPARE(readFile(env.dataFile()), platform::PropertyList::serialize(expected));
    store.LoadData();
    QCOMPARE(QVariant(*store.mList()), expected);
}

void TestScheduleStore::datesComeBackInWholeSeconds()
{
    TestEnvironment env;
    StderrCapture quiet;
    ScheduleStore store;
    store.LoadData();
    store.mList()->append(QVariant(
        record(u"A"_s, QDateTime(QDate(2026, 1, 2), QTime(10, 15, 30, 700), platform::utc()))));
    store.SaveData();

    ScheduleStore again;
    again.LoadData();
    QCOMPARE(again.mList()->at(0).toList().at(3),
             QVariant(QDateTime(QDate(2026, 1, 2), QTime(10, 15, 30), platform::utc())));
}

void TestScheduleStore::nameWithoutLeadingSpaceIsAnotherFile()
{
    TestEnvironment env;
    QVERIFY(QDir().mkpath(env.documents()));
    const QString other = env.documents() + u"/Velkari.dat"_s;
    const QByteArray otherBytes = readFile(testDataPath(u"store/plistlib-store.plist"_s));
    QVERIFY(writeFile(other, otherBytes));

    StderrCapture quiet;
    ScheduleStore store;
    store.LoadData();
    QCOMPARE(store.count(), 0);
    store.mList()->append(QVariant(record(u"A"_s, QDateTime::currentDateTimeUtc())));
    store.SaveData();
    QCOMPARE(readFile(other), otherBytes);
}

void TestScheduleStore::unreadableFileIsLeftAlone_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QByteArray deep;
    for (int i = 0; i < 1000; ++i)
        deep += "<array>";
    const QByteArray valid = readFile(testDataPath(u"store/plistlib-store.plist"_s));
    QTest::newRow("dict root") << QByteArray(emptyStore).replace("<array/>", "<dict/>");
    QTest::newRow("not a property list") << QByteArray("schedules: none\n");
    QTest::newRow("truncated") << valid.left(valid.size() * 2 / 3);
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("deep nesting") << QByteArray(emptyStore).replace("<array/>", deep);
    QTest::newRow("garbage date") << QByteArray(valid).replace("2099-03-05T09:07:00Z",
                                                               "next Tuesday");
    QTest::newRow("binary property list") << QByteArray("bplist00\x08\x00\x00", 11);
}

void TestScheduleStore::unreadableFileIsLeftAlone()
{
    QFETCH(QByteArray, bytes);
    TestEnvironment env;
    QVERIFY(QDir().mkpath(env.documents()));
    QVERIFY(writeFile(env.dataFile(), bytes));

    ScheduleStore store;
    ScheduleStore::LoadReport report;
    QString log;
    {
        StderrCapture capture;
        report = store.LoadData();
        log = capture.text();
    }
    QVERIFY(report.readFailed);
    QVERIFY(!report.error.text.isEmpty());
    QVERIFY(!store.mList());
    QCOMPARE(store.count(), 0);
    QCOMPARE(logMessages(log).last(), u"0"_s);

    // Nothing can be saved over it.
    QCOMPARE(store.SaveData().status, ScheduleStore::SaveStatus::NoList);
    QCOMPARE(readFile(env.dataFile()), bytes);
}

void TestScheduleStore::acceptsByteOrderMark()
{
    TestEnvironment env;
    QVERIFY(QDir().mkpath(env.documents()));
    const QByteArray bytes =
        "\xEF\xBB\xBF" + readFile(testDataPath(u"store/plistlib-store.plist"_s));
    QVERIFY(writeFile(env.dataFile(), bytes));
    StderrCapture quiet;
    ScheduleStore store;
    const auto report = store.LoadData();
    QVERIFY(!report.readFailed);
    QCOMPARE(store.count(), 7);
    QCOMPARE(readFile(env.dataFile()), bytes);
}

void TestScheduleStore::creationFailureLeavesNoList()
{
    TestEnvironment env;
    // A file where the app's folder should be stops even root from creating it.
    QVERIFY(QDir().mkpath(env.dataHome()));
    QVERIFY(writeFile(env.dataHome() + u"/Velkari"_s, "in the way"));

    ScheduleStore store;
    ScheduleStore::LoadReport report;
    QString log;
    {
        StderrCapture capture;
        report = store.LoadData();
        log = capture.text();
    }
    QVERIFY(report.creationFailed);
    QVERIFY(!report.readFailed); // one alert is enough: the file is not there
    QVERIFY(!store.mList());
    const QStringList messages = logMessages(log);
    QVERIFY(messages.contains(u"Velkari.dat creation failed"_s));
    QVERIFY(!messages.contains(u"Velkari.dat created successfully"_s));
    QCOMPARE(messages.last(), u"0"_s);
}

void TestScheduleStore::failedSaveKeepsThePreviousFile()
{
    TestEnvironment env;
    StderrCapture quiet;
    ScheduleStore store;
    store.LoadData();
    store.mList()->append(QVariant(record(u"A"_s, QDateTime::currentDateTimeUtc())));
    QCOMPARE(store.SaveData().status, ScheduleStore::SaveStatus::Saved);
    const QByteArray saved = readFile(env.dataFile());

    for (int i = 0; i < 50; ++i)
        store.mList()->append(QVariant(record(u"B%1"_s.arg(i), QDateTime::currentDateTimeUtc())));
    ScheduleStore::SaveResult result;
    {
        FileSizeLimit fullDisk(saved.size() + 100);
        result = store.SaveData();
    }
    QCOMPARE(result.status, ScheduleStore::SaveStatus::Failed);
    QVERIFY(!result.error.text.isEmpty());
    QCOMPARE(readFile(env.dataFile()), saved);
    QCOMPARE(QDir(env.documents()).entryList(QDir::Files | QDir::Hidden),
             QStringList{u" Velkari.dat"_s});
    // The change stays in memory and lands with the next save that works.
    QCOMPARE(store.SaveData().status, ScheduleStore::SaveStatus::Saved);
    QCOMPARE(platform::PropertyList::readArrayFile(env.dataFile())->size(), 51);
}

void TestScheduleStore::hostileFilesNeitherHangNorLeak_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind :
         {"fifo", "link to /dev/zero", "larger than the bound", "file of another user",
          "folder of another user", "umask 000", "file-size limit", "data folder not UTF-8"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

// Each ends in bounded time; nothing stored changes and nothing is left
// open to other users.
void TestScheduleStore::hostileFilesNeitherHangNorLeak()
{
    QFETCH(QString, kind);
    TestEnvironment env;
    StderrCapture quiet;
    const QByteArray file = QFile::encodeName(env.dataFile());
    const QByteArray folder = QFile::encodeName(env.documents());
    const passwd *nobody = ::getpwnam("nobody");
    if (kind.contains(u"another user") && (::geteuid() != 0 || !nobody))
        QSKIP("needs root and a user 'nobody'");

    if (kind == u"data folder not UTF-8") {
        const QByteArray home = QFile::encodeName(env.root()) + "/data\xff\xfe";
        qputenv("XDG_DATA_HOME", home);
        ScheduleStore store;
        QVERIFY(!store.LoadData().creationFailed);
        store.mList()->append(QVariant(record(u"A"_s, QDateTime::currentDateTimeUtc())));
        QCOMPARE(store.SaveData().status, ScheduleStore::SaveStatus::Saved);
        // In the folder of those very bytes, and nowhere else.
        QCOMPARE(::access((home + "/Velkari/Documents/ Velkari.dat").constData(), R_OK), 0);
        std::vector<std::string> folders;
        for (const auto &entry : std::filesystem::directory_iterator(env.root().toStdString()))
            folders.push_back(entry.path().filename().string());
        std::sort(folders.begin(), folders.end());
        ScheduleStore again;
        const bool read = !again.LoadData().readFailed;
        // QTemporaryDir cannot name it either.
        std::filesystem::remove_all(home.toStdString());
        QCOMPARE(folders, (std::vector<std::string>{"cache", "config", "data", "data\xff\xfe",
                                                    "home", "runtime", "state"}));
        QVERIFY(read);
        QCOMPARE(again.count(), 1);
        return;
    }
    QVERIFY(QDir().mkpath(env.documents()));
    QVERIFY(writeFile(env.dataFile(), emptyStore));
    if (kind == u"fifo") {
        QVERIFY(QFile::remove(env.dataFile()));
        QCOMPARE(::mkfifo(file.constData(), 0600), 0);
    } else if (kind == u"link to /dev/zero") {
        QVERIFY(QFile::remove(env.dataFile()));
        QVERIFY(QFile::link(u"/dev/zero"_s, env.dataFile()));
    } else if (kind == u"larger than the bound") {
        QCOMPARE(::truncate(file.constData(), platform::MaximumFileSize + 1), 0); // sparse
    } else if (kind == u"file of another user") {
        QCOMPARE(::chown(file.constData(), nobody->pw_uid, nobody->pw_gid), 0);
    } else if (kind == u"folder of another user") {
        QCOMPARE(::chown(folder.constData(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    struct stat before = {};
    QCOMPARE(::lstat(file.constData(), &before), 0);

    ScheduleStore store;
    ScheduleStore::LoadReport report;
    if (kind == u"umask 000") {
        QVERIFY(QFile::remove(env.dataFile()));
        QVERIFY(QDir(env.documents()).removeRecursively());
        QVERIFY(QDir(env.dataHome() + u"/Velkari"_s).removeRecursively());
        const mode_t saved = ::umask(0);
        report = store.LoadData();
        const QString log = env.documents() + u"/x.log"_s;
        QVERIFY(platform::redirectLog(log));
        ::umask(saved);
        for (const QString &path : {env.dataHome() + u"/Velkari"_s, env.documents()})
            QCOMPARE(QFileInfo(path).permissions(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner | QFile::ReadUser |
                                                        QFile::WriteUser | QFile::ExeUser);
        for (const QString &path : {env.dataFile(), log})
            QCOMPARE(QFileInfo(path).permissions(),
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QVERIFY(!report.readFailed && !report.creationFailed);
        return;
    }
    report = store.LoadData();
    if (kind == u"file-size limit") {
        QVERIFY(!report.readFailed);
        for (int i = 0; i < 50; ++i)
            store.mList()->append(
                QVariant(record(u"B%1"_s.arg(i), QDateTime::currentDateTimeUtc())));
        // What a freshly started process has: SIGXFSZ would end it.
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit saved = {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const ScheduleStore::SaveResult result = store.SaveData();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(result.status, ScheduleStore::SaveStatus::Failed);
        QCOMPARE(readFile(env.dataFile()), emptyStore);
        QCOMPARE(QDir(env.documents()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u" Velkari.dat"_s});
        return;
    }
    QVERIFY2(report.readFailed, qPrintable(report.error.text));
    QVERIFY(!store.mList());
    QCOMPARE(store.SaveData().status, ScheduleStore::SaveStatus::NoList);
    struct stat after = {};
    QCOMPARE(::lstat(file.constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_size, before.st_size);
    QCOMPARE(after.st_mode, before.st_mode);
}

QTEST_GUILESS_MAIN(TestScheduleStore)
#include "tst_schedulestore.moc"
