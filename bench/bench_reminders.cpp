// SPDX-License-Identifier: GPL-3.0-or-later
// Scheduling, listing and cancelling reminders with 10,000 registered, each
// change rewriting the registry as the service does.

#include "platform/core/PropertyList.h"
#include "platform/core/TimeZones.h"
#include "platform/reminders/ReminderCenter.h"
#include "schedule/Reminders.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QUuid>

#include <benchmark/benchmark.h>

using namespace Qt::Literals::StringLiterals;
using platform::Reminder;
using namespace velkari;

namespace {

constexpr int Registered = 10000;

Reminder makeReminder(int i)
{
    Reminder r;
    r.alertBody = u"Send SMS to :\nAnna Berg (555 %1) ?"_s.arg(i);
    r.alertAction = u"Prepare"_s;
    r.fireDate = QDateTime(QDate(2030, 1, 1), QTime(9, 0), platform::utc()).addSecs(qint64(i) * 60);
    r.repeatInterval = (i % 2) ? platform::CalendarUnit::Day : platform::CalendarUnit::None;
    r.soundName = platform::DefaultSoundName;
    r.userInfo = {{u"ID"_s, u"ID-%1"_s.arg(i)}};
    r.applicationIconBadgeNumber = 1;
    return r;
}

// A registry of 10,000 reminders, written straight to its file: building it
// through the service would rewrite it 10,000 times.
std::unique_ptr<platform::ReminderCenter> fullCenter()
{
    const QString path = platform::ReminderCenter::defaultRegistryPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVariantList list;
    for (int i = 0; i < Registered; ++i) {
        const Reminder r = makeReminder(i);
        list.append(QVariantMap{
            {u"alertAction"_s, r.alertAction},
            {u"alertBody"_s, r.alertBody},
            {u"applicationIconBadgeNumber"_s, qint64(1)},
            {u"fireDate"_s, r.fireDate},
            {u"identifier"_s, QUuid::createUuid().toString(QUuid::WithoutBraces)},
            {u"nextOccurrence"_s, qint64(0)},
            {u"repeatInterval"_s, qint64(r.repeatInterval)},
            {u"soundName"_s, r.soundName},
            {u"userInfo"_s, r.userInfo},
        });
    }
    if (const auto written = platform::PropertyList::writeFile(path, list); !written)
        qFatal("Cannot write %s: %s", qPrintable(path), qPrintable(written.error()));
    return std::make_unique<platform::ReminderCenter>();
}

void BM_List(benchmark::State &state)
{
    auto center = fullCenter();
    for (auto _ : state)
        benchmark::DoNotOptimize(center->scheduledLocalNotifications());
}

void BM_Schedule(benchmark::State &state)
{
    auto center = fullCenter();
    for (auto _ : state) {
        center->scheduleLocalNotification(makeReminder(Registered));
        state.PauseTiming();
        center->cancelLocalNotification(center->scheduledLocalNotifications().last());
        state.ResumeTiming();
    }
}

void BM_Cancel(benchmark::State &state)
{
    auto center = fullCenter();
    for (auto _ : state) {
        state.PauseTiming();
        center->scheduleLocalNotification(makeReminder(Registered));
        const Reminder added = center->scheduledLocalNotifications().last();
        state.ResumeTiming();
        center->cancelLocalNotification(added);
    }
}

// The look after every change and firing, none due: the time of each
// reminder's next moment, the earliest armed.
void BM_CheckPass(benchmark::State &state)
{
    auto center = fullCenter();
    center->start();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        center->scheduleCheck();
        QCoreApplication::processEvents();
    }
}

// The schedule's own withdrawal: list, compare every ID, cancel the match.
void BM_CancelReminders(benchmark::State &state)
{
    auto center = fullCenter();
    for (auto _ : state) {
        state.PauseTiming();
        ScheduleReminder(*center, u"ID-new"_s, u"Anna Berg"_s, u"555 0100"_s,
                         QDateTime(QDate(2031, 1, 1), QTime(9, 0), platform::utc()), 2, u"Send"_s);
        state.ResumeTiming();
        CancelReminders(*center, u"ID-new"_s);
    }
}

} // namespace

BENCHMARK(BM_List)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Schedule)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cancel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CancelReminders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckPass)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
