// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Clock.h"

namespace platform {

namespace {
Clock *installedClock = nullptr;
} // namespace

Clock::~Clock()
{
    if (installedClock == this)
        installedClock = nullptr;
}

QDateTime Clock::now()
{
    return installedClock ? installedClock->currentDateTimeUtc() : QDateTime::currentDateTimeUtc();
}

void Clock::setInstance(Clock *clock)
{
    installedClock = clock;
    notifyChanged();
}

bool Clock::isReplaced()
{
    return installedClock != nullptr;
}

ClockNotifier *Clock::notifier()
{
    static ClockNotifier instance;
    return &instance;
}

void Clock::notifyChanged()
{
    Q_EMIT notifier()->changed();
}

} // namespace platform
