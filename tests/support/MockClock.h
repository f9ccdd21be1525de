#pragma once

#include "platform/Clock.h"

// A clock that stands still until the test moves it. Installed while it lives.
class MockClock : public platform::Clock {
public:
    explicit MockClock(const QDateTime &start = QDateTime(QDate(2026, 12, 7), QTime(10, 11, 12),
                                                          Qt::UTC));
    ~MockClock() override;

    void set(const QDateTime &moment) { mNow = moment.toUTC(); }
    void advance(qint64 seconds) { mNow = mNow.addSecs(seconds); }

protected:
    QDateTime currentDateTimeUtc() const override { return mNow; }

private:
    QDateTime mNow;
};
