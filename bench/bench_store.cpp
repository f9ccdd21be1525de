// SPDX-License-Identifier: GPL-3.0-or-later
// The store's load, save and badge count at 1,000 to 100,000 schedules, each
// beside the raw XML work on the same file and Python's plistlib, so that the
// figures read as ratios measured in one run.

#include "platform/core/AtomicFile.h"
#include "platform/core/PrivateFiles.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListPieces.h"
#include "platform/core/TimeZones.h"
#include "schedule/ScheduleStore.h"
#include "schedule/UpcomingCount.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <malloc.h>
#include <plist/plist.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace velkari;

namespace {

QTemporaryDir *workDir = nullptr;

QString storePath(int records)
{
    return workDir->path() + u"/store-%1.plist"_s.arg(records);
}

QVariantList makeList(int records)
{
    const QStringList names{u"Anna Berg"_s, u"Carl Dahl"_s, u"Eva Fors"_s, u"Gustav Holm"_s};
    const QDateTime base(QDate(2026, 12, 7), QTime(10, 0), platform::utc());
    QVariantList list;
    list.reserve(records);
    for (int i = 0; i < records; ++i) {
        list.append(QVariant(QVariantList{
            QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(),
            names[i % names.size()],
            u"+46 70 %1 %2"_s.arg(100 + i % 900).arg(i % 100, 2, 10, QChar(u'0')),
            base.addSecs(qint64(i - records / 2) * 3600),
            u"Reminder %1: don't forget the meeting & bring <notes>."_s.arg(i),
            (i % 3 == 0) ? u"1"_s : u"0"_s,
            QString::number(i % 6),
        }));
    }
    return list;
}

// The data file that holds n records, made once.
const QString &fixture(int records)
{
    static std::map<int, QString> made;
    auto it = made.find(records);
    if (it == made.end()) {
        const QString path = storePath(records);
        if (const auto written = platform::PropertyList::writeFile(path, makeList(records));
            !written)
            qFatal("Cannot write %s: %s", qPrintable(path), qPrintable(written.error()));
        it = made.emplace(records, path).first;
    }
    return it->second;
}

// LoadData finds its file in Documents: point the platform there.
QString useDocumentsWith(int records)
{
    const QString home = workDir->path() + u"/home-%1"_s.arg(records);
    const QString documents = home + u"/Velkari/Documents"_s;
    QDir().mkpath(documents);
    const QString data = documents + u"/ Velkari.dat"_s;
    QFile::remove(data);
    QFile::copy(fixture(records), data);
    qputenv("XDG_DATA_HOME", QFile::encodeName(home));
    return data;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// Into an empty store, as at start-up: dropping the list of a previous
// load, and malloc's tidying after it, is not counted.
void BM_LoadData(benchmark::State &state)
{
    const int records = int(state.range(0));
    const QString data = useDocumentsWith(records);
    ScheduleStore store;
    for (auto _ : state) {
        state.PauseTiming();
        store.setMList(std::nullopt);
        malloc_trim(0);
        state.ResumeTiming();
        store.LoadData();
        benchmark::DoNotOptimize(store.mList());
    }
    if (store.count() != records)
        state.SkipWithError("wrong count");
    // What the loaded list holds on the heap, against the file's bytes.
    // (Blocks of the arenas plus the large ones malloc maps on their own.)
    const auto inUse = [] {
        const struct mallinfo2 info = mallinfo2();
        return double(info.uordblks + info.hblkhd);
    };
    store.setMList(std::nullopt);
    malloc_trim(0);
    double before = inUse();
    // The list as the store reads it, on its own.
    double list = 0;
    {
        const auto read = platform::PropertyList::readArrayFile(data);
        list = (inUse() - before) / records;
    }
    malloc_trim(0);
    before = inUse();
    store.LoadData();
    // How long a Save right after the load would wait for that at most.
    const auto loaded = std::chrono::steady_clock::now();
    store.finishPreparing();
    state.counters["preparing_ms"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - loaded)
            .count();
    // Beside the list, the records' bytes kept for the next save.
    const double withSaveBytes = (inUse() - before) / records;
    const double file = double(QFileInfo(data).size()) / records;
    state.counters["file_B_per_record"] = file;
    state.counters["list_per_file_byte"] = list / file;
    state.counters["with_save_bytes_per_file_byte"] = withSaveBytes / file;
}

// The reader alone, over bytes in memory, in as many pieces as it chooses
// (BM_Parse) or in one pass (BM_ParseOnePass, to tell what the pieces pay);
// dropping the tree is not counted.
void parseWith(benchmark::State &state, int pieces)
{
    const QByteArray bytes = readAll(fixture(int(state.range(0))));
    for (auto _ : state) {
        std::optional<platform::Result<QVariant>> root(
            pieces ? platform::plist::parseInPieces(bytes, pieces)
                   : platform::PropertyList::parse(bytes));
        state.PauseTiming();
        root.reset();
        malloc_trim(0);
        state.ResumeTiming();
    }
}

void BM_Parse(benchmark::State &state)
{
    parseWith(state, 0);
}

void BM_ParseOnePass(benchmark::State &state)
{
    parseWith(state, 1);
}

// The floor: the file's bytes into memory.
void BM_ReadBytes(benchmark::State &state)
{
    const QString path = fixture(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(readAll(path));
}

// Reads the file each time into memory that malloc has just given back, as
// the load is measured: the kernel's making of fresh pages counts too.
template<typename Read> void readIntoFreshMemory(benchmark::State &state, Read read)
{
    const QString path = fixture(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        malloc_trim(0);
        state.ResumeTiming();
        benchmark::DoNotOptimize(read(path));
    }
}

void BM_ReadBytesFresh(benchmark::State &state)
{
    readIntoFreshMemory(state, readAll);
}

// The load's own read of the file.
void BM_ReadFile(benchmark::State &state)
{
    readIntoFreshMemory(state,
                        [](const QString &path) { return platform::readRegularFile(path, 0); });
}

// The other floor of a load: the tree's memory. The same blocks the loaded
// list holds (each record's list, each text but those of one character,
// the root), taken from malloc in fresh memory and written once, on as many
// cores as the reader uses. No reader of the file can do with less.
void BM_FreshTreeMemory(benchmark::State &state)
{
    const QString path = fixture(int(state.range(0)));
    const platform::Result<QVariantList> read = platform::PropertyList::readArrayFile(path);
    if (!read) {
        state.SkipWithError(qPrintable(read.error()));
        return;
    }
    // Per record: its values' text lengths, 0 where nothing is allocated.
    std::vector<std::vector<qsizetype>> records;
    for (const QVariant &value : *read) {
        std::vector<qsizetype> lengths;
        for (const QVariant &field : value.toList()) {
            const qsizetype n =
                field.metaType().id() == QMetaType::QString ? field.toString().size() : 0;
            lengths.push_back(n > 1 ? n : 0);
        }
        records.push_back(std::move(lengths));
    }
    const auto make = [&records](size_t from, size_t to) {
        QVariantList made;
        made.reserve(qsizetype(to - from));
        for (size_t r = from; r < to; ++r) {
            QVariantList fields(qsizetype(records[r].size()));
            for (size_t i = 0; i < records[r].size(); ++i) {
                if (records[r][i])
                    fields[qsizetype(i)] = QString(records[r][i], u' ');
            }
            made.emplaceBack(std::move(fields));
        }
        return made;
    };
    const size_t pieces = size_t(std::max(1, platform::plist::piecesFor(QFileInfo(path).size())));
    QVariantList root;
    for (auto _ : state) {
        state.PauseTiming();
        root = QVariantList();
        malloc_trim(0);
        state.ResumeTiming();
        std::vector<std::future<QVariantList>> later;
        for (size_t piece = 1; piece < pieces; ++piece) {
            later.push_back(std::async(std::launch::async, make, records.size() * piece / pieces,
                                       records.size() * (piece + 1) / pieces));
        }
        root = make(0, records.size() / pieces);
        for (auto &piece : later)
            root.append(piece.get());
        benchmark::DoNotOptimize(root);
    }
}

void BM_LibplistLoad(benchmark::State &state)
{
    const QString path = fixture(int(state.range(0)));
    for (auto _ : state) {
        const QByteArray bytes = readAll(path);
        plist_t root = nullptr;
        plist_from_xml(bytes.constData(), uint32_t(bytes.size()), &root);
        if (!root)
            state.SkipWithError("libplist refused the file");
        plist_free(root);
    }
}

// The floor of a save: the same bytes written as durably as ours.
void BM_DurableWriteBytes(benchmark::State &state)
{
    const int records = int(state.range(0));
    const QByteArray bytes = readAll(fixture(records));
    const QString path = workDir->path() + u"/durable-%1.plist"_s.arg(records);
    for (auto _ : state) {
        if (!platform::writeFileAtomically(path, bytes))
            state.SkipWithError("the write failed");
    }
}

// libplist's writer from its own tree, then the same durable write.
void BM_LibplistSave(benchmark::State &state)
{
    const int records = int(state.range(0));
    const QByteArray bytes = readAll(fixture(records));
    plist_t root = nullptr;
    plist_from_xml(bytes.constData(), uint32_t(bytes.size()), &root);
    const QString path = workDir->path() + u"/libplist-%1.plist"_s.arg(records);
    for (auto _ : state) {
        char *xml = nullptr;
        uint32_t length = 0;
        plist_to_xml(root, &xml, &length);
        if (!platform::writeFileAtomically(path, QByteArray::fromRawData(xml, qsizetype(length))))
            state.SkipWithError("the write failed");
        // plist_to_xml_free is gone in libplist 2.6 and its successor
        // plist_mem_free missing before 2.3; both are free().
        std::free(xml);
    }
    plist_free(root);
}

void BM_RawXmlParse(benchmark::State &state)
{
    const QString path = fixture(int(state.range(0)));
    for (auto _ : state) {
        const QByteArray bytes = readAll(path);
        QXmlStreamReader xml(bytes);
        qint64 tokens = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            ++tokens;
        }
        benchmark::DoNotOptimize(tokens);
    }
}

// Times a plistlib snippet inside the interpreter, so that starting Python
// does not count. The snippet prints the seconds its work took.
void timePython(benchmark::State &state, const QString &script)
{
    const QString path = fixture(int(state.range(0)));
    const QString python = QStandardPaths::findExecutable(u"python3"_s);
    if (python.isEmpty()) {
        state.SkipWithError("python3 not found");
        return;
    }
    for (auto _ : state) {
        QProcess process;
        process.start(python, {u"-c"_s, script, path});
        process.waitForFinished(-1);
        state.SetIterationTime(process.readAllStandardOutput().trimmed().toDouble());
    }
}

void BM_PlistlibLoad(benchmark::State &state)
{
    timePython(state, u"import plistlib,sys,time\n"
                      "data = open(sys.argv[1], 'rb').read()\n"
                      "t = time.perf_counter(); plistlib.loads(data)\n"
                      "print(time.perf_counter() - t)\n"_s);
}

void BM_SaveData(benchmark::State &state)
{
    const int records = int(state.range(0));
    useDocumentsWith(records);
    ScheduleStore store;
    store.LoadData();
    for (auto _ : state) {
        if (store.SaveData().status != ScheduleStore::SaveStatus::Saved)
            state.SkipWithError("save failed");
    }
}

void writeRaw(QIODevice *device, const QVariantList &list)
{
    QXmlStreamWriter xml(device);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1);
    xml.writeStartDocument();
    xml.writeStartElement(u"plist"_s);
    xml.writeStartElement(u"array"_s);
    for (const QVariant &record : list) {
        xml.writeStartElement(u"array"_s);
        for (const QVariant &element : record.toList()) {
            if (element.metaType().id() == QMetaType::QDateTime)
                xml.writeTextElement(u"date"_s, element.toDateTime().toString(Qt::ISODate));
            else
                xml.writeTextElement(u"string"_s, element.toString());
        }
        xml.writeEndElement();
    }
    xml.writeEndDocument();
}

// The same document through Qt's XML writer into a file, synced as ours is.
void BM_RawXmlWriteFile(benchmark::State &state)
{
    const int records = int(state.range(0));
    const QVariantList list = makeList(records);
    const QString path = workDir->path() + u"/raw-%1.xml"_s.arg(records);
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        writeRaw(&file, list);
        file.flush();
        ::fdatasync(file.handle());
    }
}

void BM_Serialize(benchmark::State &state)
{
    const QVariant list(makeList(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::PropertyList::serialize(list));
}

void BM_RawXmlWriteMemory(benchmark::State &state)
{
    const QVariantList list = makeList(int(state.range(0)));
    for (auto _ : state) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        writeRaw(&buffer, list);
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_PlistlibDump(benchmark::State &state)
{
    timePython(state, u"import plistlib,sys,time\n"
                      "v = plistlib.loads(open(sys.argv[1], 'rb').read())\n"
                      "t = time.perf_counter(); plistlib.dumps(v)\n"
                      "print(time.perf_counter() - t)\n"_s);
}

void BM_UpdateIconNumber(benchmark::State &state)
{
    const std::optional<QVariantList> list = makeList(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(countUpcoming(list));
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

void pythonSizes(benchmark::internal::Benchmark *b)
{
    sizes(b);
    b->UseManualTime()->Iterations(3);
}

} // namespace

BENCHMARK(BM_LoadData)->Apply(sizes);
BENCHMARK(BM_Parse)->Apply(sizes);
BENCHMARK(BM_ParseOnePass)->Apply(sizes);
BENCHMARK(BM_ReadBytes)->Apply(sizes);
BENCHMARK(BM_ReadBytesFresh)->Apply(sizes);
BENCHMARK(BM_ReadFile)->Apply(sizes);
BENCHMARK(BM_FreshTreeMemory)->Apply(sizes);
BENCHMARK(BM_LibplistLoad)->Apply(sizes);
BENCHMARK(BM_RawXmlParse)->Apply(sizes);
BENCHMARK(BM_PlistlibLoad)->Apply(pythonSizes);
BENCHMARK(BM_SaveData)->Apply(sizes);
BENCHMARK(BM_DurableWriteBytes)->Apply(sizes);
BENCHMARK(BM_LibplistSave)->Apply(sizes);
BENCHMARK(BM_RawXmlWriteFile)->Apply(sizes);
BENCHMARK(BM_Serialize)->Apply(sizes);
BENCHMARK(BM_RawXmlWriteMemory)->Apply(sizes);
BENCHMARK(BM_PlistlibDump)->Apply(pythonSizes);
BENCHMARK(BM_UpdateIconNumber)->Apply(sizes);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    workDir = &dir;
    // LoadData logs every run; keep the table readable.
    const int devNull = ::open("/dev/null", O_WRONLY);
    ::dup2(devNull, STDERR_FILENO);
    ::close(devNull);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
