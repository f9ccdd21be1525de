// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/core/Clock.h"
#include "platform/core/TimeZones.h"

// A clock that stands still until the test moves it. Installed while it lives.
class MockClock : public platform::Clock {
public:
    explicit MockClock(const QDateTime &start = QDateTime(QDate(2026, 12, 7), QTime(10, 11, 12),
                                                          platform::utc()));
    ~MockClock() override;

    // Moving the clock tells whoever waits for a moment to look again.
    void set(const QDateTime &moment)
    {
        mNow = moment.toUTC();
        notifyChanged();
    }
    void advance(qint64 seconds) { set(mNow.addSecs(seconds)); }

protected:
    QDateTime currentDateTimeUtc() const override { return mNow; }

private:
    QDateTime mNow;
};
