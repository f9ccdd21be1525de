// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QObject>

namespace platform {

// Tells interested parties that the installed clock was moved (tests), so
// that whatever waits for a moment looks at the time again.
class ClockNotifier : public QObject {
    Q_OBJECT

Q_SIGNALS:
    void changed();
};

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

    // True while a replacement is installed: real timers then mean nothing.
    static bool isReplaced();

    static ClockNotifier *notifier();

protected:
    virtual QDateTime currentDateTimeUtc() const = 0;
    // Replacement clocks call this when they move.
    static void notifyChanged();
};

} // namespace platform
