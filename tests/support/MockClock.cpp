// SPDX-License-Identifier: GPL-3.0-or-later
#include "MockClock.h"

MockClock::MockClock(const QDateTime &start)
    : mNow(start.toUTC())
{
    platform::Clock::setInstance(this);
}

MockClock::~MockClock()
{
    platform::Clock::setInstance(nullptr);
}
