// SPDX-License-Identifier: GPL-3.0-or-later
// The people picker's list ready, from opening it, with 5,000 contacts: as
// vCard files in KDE's folder, all in it or spread over 50 folders below it
// (as KDE Connect and KPeople keep them), and in the machine's real Evolution
// Data Server (started on a private bus, data in a temporary folder). The
// goal for EDS is 300 ms, for the spread files 1.2 times the files in one
// folder; the counters give each figure against its goal and against the
// files in one folder, measured in the same run.

#include "platform/contacts/EdsContactSource.h"
#include "platform/ui/PeoplePicker.h"
#include "support/EvolutionDataServer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int People = 5000;
constexpr int Folders = 50;
constexpr double GoalMs = 300;

double vcardMs = 0; // the files' figure, for the EDS one to compare with

QByteArray card(int i)
{
    return u"BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-%1\r\nN:Family%1;Given%1;;;\r\n"
           "FN:Given%1 Family%1\r\nTEL;TYPE=CELL:+46 70 %2\r\nTEL;TYPE=HOME:(08) %3\r\n"
           "END:VCARD\r\n"_s.arg(i)
               .arg(1000000 + i)
               .arg(500000 + i)
               .toUtf8();
}

// Opens a picker and runs the event loop until every source has answered and
// all people are listed; the milliseconds that took, or -1 after 20 s.
double openUntilListed()
{
    QElapsedTimer clock;
    clock.start();
    platform::PeoplePicker picker;
    picker.view();
    const auto *eds = picker.findChild<platform::EdsContactSource *>();
    bool late = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&late] { late = true; });
    deadline.start(20000);
    while (!late && ((eds && eds->isLoading()) || picker.shownPeople().size() < People))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return late ? -1 : double(clock.nsecsElapsed()) / 1e6;
}

void report(benchmark::State &state, double totalMs, int iterations)
{
    const double ms = totalMs / iterations;
    state.counters["people"] = People;
    state.counters["of_goal"] = ms / GoalMs;
    if (vcardMs > 0)
        state.counters["vs_vcard"] = ms / vcardMs;
}

// Opens the picker once per iteration and reports; the mean in ms, or -1.
double measure(benchmark::State &state)
{
    double total = 0;
    int iterations = 0;
    for (auto _ : state) {
        const double ms = openUntilListed();
        if (ms < 0) {
            state.SkipWithError("the picker did not list everybody");
            return -1;
        }
        state.SetIterationTime(ms / 1000);
        total += ms;
        ++iterations;
    }
    if (iterations == 0)
        return -1;
    report(state, total, iterations);
    return total / iterations;
}

// Writes the people into dataHome/kpeoplevcard, in the given number of
// folders below it (none: all in it).
void writeCards(const QString &dataHome, int folders)
{
    const QString top = dataHome + u"/kpeoplevcard"_s;
    const int spread = std::max(folders, 1);
    for (int f = 0; f < spread; ++f) {
        const QString folder = folders == 0 ? top : top + u"/kdeconnect-%1"_s.arg(f);
        QDir().mkpath(folder);
        for (int i = f; i < People; i += spread)
            writeFile(folder + u"/%1.vcf"_s.arg(i), card(i));
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void BM_PickerReady_VCardFiles(benchmark::State &state)
{
    // No session bus: the files alone.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    TestEnvironment env;
    writeCards(env.dataHome(), 0);
    vcardMs = measure(state);
}

// The same people spread over folders against all in one, opened in turn so
// that both meet the same load of the machine; the ratio is the median of
// the pairs'. The time is the spread files'.
void BM_PickerReady_VCardFolders(benchmark::State &state)
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    TestEnvironment env;
    const QString one = env.root() + u"/one"_s;
    const QString spread = env.root() + u"/spread"_s;
    writeCards(one, 0);
    writeCards(spread, Folders);
    std::vector<double> ratios;
    std::vector<double> oneMs;
    for (auto _ : state) {
        env.setDataHome(one);
        const double a = openUntilListed();
        env.setDataHome(spread);
        const double b = openUntilListed();
        if (a < 0 || b < 0) {
            state.SkipWithError("the picker did not list everybody");
            return;
        }
        state.SetIterationTime(b / 1000);
        ratios.push_back(b / a);
        oneMs.push_back(a);
    }
    state.counters["people"] = People;
    state.counters["folders"] = Folders;
    state.counters["one_folder_ms"] = median(oneMs);
    state.counters["vs_one_folder"] = median(ratios);
    state.counters["of_goal"] = median(ratios) / 1.2;
}

void BM_PickerReady_EvolutionDataServer(benchmark::State &state)
{
    EvolutionDataServer eds; // its folders empty
    QList<QByteArray> cards;
    for (int i = 0; i < People; ++i)
        cards.append(card(i));
    if (!eds.isRunning() || !eds.saveContacts(cards)) {
        state.SkipWithError(qPrintable(u"Evolution Data Server: "_s + eds.lastError()));
        return;
    }
    measure(state);
}

} // namespace

BENCHMARK(BM_PickerReady_VCardFiles)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PickerReady_VCardFolders)
    ->UseManualTime()
    ->Iterations(11)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PickerReady_EvolutionDataServer)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
