// SPDX-License-Identifier: GPL-3.0-or-later
// The people picker's list ready, from opening it, with 5,000 contacts: as
// vCard files in KDE's folder, and in the machine's real Evolution Data
// Server (started on a private bus, data in a temporary folder). The goal
// for EDS is 300 ms; its counters give the figure against that goal and
// against the same people as files, measured in the same run.

#include "platform/contacts/EdsContactSource.h"
#include "platform/ui/PeoplePicker.h"
#include "support/EvolutionDataServer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int People = 5000;
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

void BM_PickerReady_VCardFiles(benchmark::State &state)
{
    // No session bus: the files alone.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    TestEnvironment env;
    const QString folder = env.dataHome() + u"/kpeoplevcard"_s;
    QDir().mkpath(folder);
    for (int i = 0; i < People; ++i)
        writeFile(folder + u"/%1.vcf"_s.arg(i), card(i));
    vcardMs = measure(state);
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
