#pragma once

#include <QDateTime>

namespace platform {

// The current time. Code asks Clock instead of QDateTime so that tests can
// move time instead of sleeping.
class Clock {
public:
    virtual ~Clock();

    // The current moment in UTC, from the installed clock.
    static QDateTime now();

    // Installs a replacement clock (tests); nullptr restores the system clock.
    // The caller keeps ownership.
    static void setInstance(Clock *clock);

protected:
    virtual QDateTime currentDateTimeUtc() const = 0;
};

} // namespace platform
