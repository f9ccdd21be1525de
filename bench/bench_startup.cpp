// SPDX-License-Identifier: GPL-3.0-or-later
// Velkari's start-up, from launching the program to the first rows of the
// list, and its memory then, at 100, 10,000 and 100,000 schedules; beside
// the raw read of the same data file.

#include "platform/core/FileLock.h"
#include "platform/core/PropertyList.h"
#include "platform/core/StandardPaths.h"
#include "platform/reminders/Reminder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QXmlStreamReader>

#include <benchmark/benchmark.h>
#include <csignal>

using namespace Qt::Literals::StringLiterals;

namespace {

QTemporaryDir *workDir = nullptr;

QString homeFor(int records, bool withReminders = false)
{
    return workDir->path() + u"/home-%1%2"_s.arg(records).arg(withReminders ? u"-r"_s : QString());
}

// One registered reminder per schedule, a day apart, none due for a year.
void writeRegistryFile(const QString &path, int records)
{
    if (QFile::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QList<QByteArray> parts;
    const QDateTime base = QDateTime::currentDateTimeUtc().addYears(1);
    for (int i = 0; i < records; ++i) {
        platform::Reminder r;
        r.identifier = u"0F1E2D3C-4B5A-6978-8796-%1"_s.arg(i, 12, 10, QChar(u'0'));
        r.alertBody = u"Send SMS to :\nPerson %1 (+46 70 %1) ?"_s.arg(i);
        r.alertAction = u"Prepare"_s;
        r.fireDate = base.addDays(i);
        r.userInfo = {{u"ID"_s, u"5C0E7A2B-41D8-4F1A-9C3E-%1"_s.arg(i, 12, 10, QChar(u'0'))}};
        r.applicationIconBadgeNumber = 1;
        QVariantMap map = platform::reminderToDictionary(r);
        map.insert(u"nextOccurrence"_s, qint64(0));
        parts.append(platform::PropertyList::serializeArrayElement(map));
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(platform::PropertyList::joinArrayElements(parts));
}

void writeRegistry(const QString &home, int records)
{
    writeRegistryFile(home + u"/data/Velkari/Library/Reminders.plist"_s, records);
}

QString dataFileFor(int records, bool withReminders = false)
{
    if (withReminders)
        writeRegistry(homeFor(records, true), records);
    const QString documents = homeFor(records, withReminders) + u"/data/Velkari/Documents"_s;
    const QString path = documents + u"/ Velkari.dat"_s;
    if (!QFile::exists(path)) {
        QDir().mkpath(documents);
        QVariantList list;
        const QDateTime base = QDateTime::currentDateTimeUtc();
        for (int i = 0; i < records; ++i) {
            list.append(QVariant(QVariantList{
                u"5C0E7A2B-41D8-4F1A-9C3E-%1"_s.arg(i, 12, 10, QChar(u'0')), u"Person %1"_s.arg(i),
                u"+46 70 %1"_s.arg(i), base.addSecs(qint64(i) * 60),
                u"Message number %1, with a few more words"_s.arg(i), QString::number(i % 3),
                QString::number(i % 6)}));
        }
        if (const auto written = platform::PropertyList::writeFile(path, list); !written)
            qFatal("Cannot write %s: %s", qPrintable(path), qPrintable(written.error()));
    }
    return path;
}

qint64 residentKiB(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

void BM_StartupToList(benchmark::State &state)
{
    const int records = int(state.range(0));
    const bool withReminders = state.range(1) != 0;
    dataFileFor(records, withReminders);
    const QString home = homeFor(records, withReminders);
    const QString documents = home + u"/data/Velkari/Documents"_s;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    env.insert(u"XDG_DATA_HOME"_s, home + u"/data"_s);
    env.insert(u"XDG_RUNTIME_DIR"_s, workDir->path());
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent"_s);
    qint64 kib = 0;
    for (auto _ : state) {
        for (const QString &log : QDir(documents).entryList({u"*.log"_s}, QDir::Files))
            QFile::remove(documents + u'/' + log);
        QProcess app;
        app.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        app.start(QStringLiteral(VELKARI_BINARY), {});
        // The first row is filled just before the list is first drawn.
        bool shown = false;
        while (!shown && timer.elapsed() < 60000) {
            for (const QString &log : QDir(documents).entryList({u"*.log"_s}, QDir::Files)) {
                QFile file(documents + u'/' + log);
                if (file.open(QIODevice::ReadOnly) && file.readAll().contains("status="))
                    shown = true;
            }
            if (!shown)
                QThread::usleep(500);
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        kib = residentKiB(app.processId());
        app.terminate();
        app.waitForFinished(10000);
    }
    state.counters["RSS_MiB"] = double(kib) / 1024.0;
    // The app started its reminder service in this home: stop it.
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + u"/data"_s));
    if (const qint64 pid = platform::FileLock::holder(platform::reminderServiceLockPath()); pid > 0)
        ::kill(pid_t(pid), SIGTERM);
}

void BM_RawRead(benchmark::State &state)
{
    const QString path = dataFileFor(int(state.range(0)));
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(file.readAll());
    }
}

void BM_RawParse(benchmark::State &state)
{
    const QString path = dataFileFor(int(state.range(0)));
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QXmlStreamReader xml(file.readAll());
        while (!xml.atEnd())
            xml.readNext();
    }
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

} // namespace

// Beside each other: an empty registry, and one reminder per schedule.
BENCHMARK(BM_StartupToList)
    ->ArgsProduct({{100, 10000, 100000}, {0, 1}})
    ->ArgNames({"schedules", "reminders"})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK(BM_RawRead)->Apply(sizes);
BENCHMARK(BM_RawParse)->Apply(sizes);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // bench/idle_wakeups.sh makes its registry here.
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1].startsWith(u"--write-registry="_s) &&
        args[2].startsWith(u"--reminders="_s)) {
        writeRegistryFile(args[1].section(u'=', 1), args[2].section(u'=', 1).toInt());
        return 0;
    }
    QTemporaryDir dir;
    workDir = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
