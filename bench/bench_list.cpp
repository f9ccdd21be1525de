// SPDX-License-Identifier: GPL-3.0-or-later
// The schedule list at 1,000 and 100,000 schedules: reloading and scrolling
// touch only the rows in sight, so both sizes should cost the same. And
// pressing Save in the new form over 10,000 and 100,000 schedules, which
// writes the whole store before the form goes.

#include "app/VelkariAppDelegate.h"
#include "platform/core/Clock.h"
#include "platform/core/PropertyList.h"
#include "platform/shell/Application.h"
#include "platform/ui/DatePicker.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "screens/Properties.h"
#include "screens/VelkariViewController.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <chrono>

using namespace Qt::Literals::StringLiterals;
using namespace velkari;

namespace {

QTemporaryDir *workDir = nullptr;

// Application objects must go before the QApplication does, so they live
// here and main() clears them, not in statics destroyed after main returns.
std::map<int, std::unique_ptr<platform::Application>> apps;
std::map<int, VelkariAppDelegate *> delegates;

// The app over a store of n schedules, built once per size.
platform::TableView *listWith(int records)
{
    if (!apps.count(records)) {
        apps.clear(); // one application object at a time
        const QString home = workDir->path() + u"/home-%1"_s.arg(records);
        const QString documents = home + u"/Velkari/Documents"_s;
        QDir().mkpath(documents);
        QVariantList list;
        const QDateTime base = QDateTime::currentDateTimeUtc();
        for (int i = 0; i < records; ++i) {
            list.append(QVariant(QVariantList{
                u"ID-%1"_s.arg(i), u"Person %1"_s.arg(i), u"+46 70 %1"_s.arg(i),
                base.addSecs(qint64(i - records / 2) * 60), u"Message number %1"_s.arg(i),
                QString::number(i % 3), QString::number(i % 6)}));
        }
        if (const auto written =
                platform::PropertyList::writeFile(documents + u"/ Velkari.dat"_s, list);
            !written)
            qFatal("Cannot write the schedules: %s", qPrintable(written.error()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home));
        auto owned = std::make_unique<VelkariAppDelegate>();
        delegates[records] = owned.get();
        auto app = std::make_unique<platform::Application>(std::move(owned));
        app->launch();
        delegates[records]->window()->resize(390, 760);
        QApplication::processEvents();
        apps[records] = std::move(app);
    }
    return delegates[records]->viewController()->mTableView();
}

void BM_ReloadData(benchmark::State &state)
{
    platform::TableView *table = listWith(int(state.range(0)));
    for (auto _ : state) {
        table->reloadData();
        table->layoutIfNeeded();
    }
    state.counters["rows"] = table->numberOfRows();
}

// To the last row and back to the first.
void BM_FullScroll(benchmark::State &state)
{
    platform::TableView *table = listWith(int(state.range(0)));
    table->layoutIfNeeded();
    QScrollBar *bar = table->verticalScrollBar();
    for (auto _ : state) {
        bar->setValue(bar->maximum());
        bar->setValue(0);
    }
}

// A row's message label given one text of n MiB and measured, as a layout
// does; Qt's own label (range 1) as the peer that lays out the whole text.
void BM_LongMessageRow(benchmark::State &state)
{
    const QString text(qsizetype(state.range(0)) * 1024 * 1024 / 2, u'x'); // n MiB of UTF-16
    std::unique_ptr<QLabel> label;
    if (state.range(1))
        label = std::make_unique<QLabel>();
    else
        label = std::make_unique<platform::Label>();
    for (auto _ : state) {
        label->setText(text);
        benchmark::DoNotOptimize(label->sizeHint());
        label->setText(QString());
    }
}

// From the press until the form is gone: the record appended, the store
// written, the list reloaded, the reminder registered, the badge counted.
// Seconds, or a negative number when the form did not open.
double pressSave(VelkariViewController *list)
{
    list->btnAdd();
    auto *form = qobject_cast<Properties *>(list->presentedViewController());
    if (!form)
        return -1;
    form->crDate->setDate(platform::Clock::now().addSecs(3600));
    const auto start = std::chrono::steady_clock::now();
    form->btnSave();
    while (list->presentedViewController())
        QApplication::processEvents();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return seconds;
}

// The records' bytes are made on another core after the load, so the first
// press, as the later ones, writes only what changed.
void BM_SaveNewSchedule(benchmark::State &state)
{
    apps.clear(); // a fresh load, so the first press is the first save
    listWith(int(state.range(0)));
    VelkariViewController *list = delegates[int(state.range(0))]->viewController();
    double first = -1;
    for (auto _ : state) {
        const double seconds = pressSave(list);
        if (seconds < 0) {
            state.SkipWithError("the form did not open");
            return;
        }
        state.SetIterationTime(seconds);
        if (first < 0)
            first = seconds;
    }
    state.counters["schedules"] = list->mTableView()->numberOfRows();
    state.counters["first_press_ms"] = first * 1000;
}

// The first press after a fresh load, as a person makes it: half a second
// later, the app idle in between.
void BM_FirstSaveAfterAPause(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        apps.clear();
        listWith(int(state.range(0)));
        QEventLoop idle;
        QTimer::singleShot(500, &idle, &QEventLoop::quit);
        idle.exec();
        state.ResumeTiming();
        const double seconds = pressSave(delegates[int(state.range(0))]->viewController());
        if (seconds < 0) {
            state.SkipWithError("the form did not open");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

} // namespace

BENCHMARK(BM_SaveNewSchedule)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSaveAfterAPause)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongMessageRow)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({64, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReloadData)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullScroll)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    workDir = &dir;
    qputenv("HOME", QFile::encodeName(dir.path()));
    // A form goes at once: what is timed is the work, not the transition.
    platform::ViewController::setAnimationsEnabled(false);
    // The app moves standard error to its log file; the table goes to
    // standard output.
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    apps.clear();
    delegates.clear();
    return 0;
}
