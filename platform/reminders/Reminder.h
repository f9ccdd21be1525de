// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <optional>

class QTimeZone;

namespace platform {

// Repeat intervals, numbered as the platform's calendar units.
namespace CalendarUnit {
enum : int {
    None = 0,
    Year = 4,
    Month = 8,
    Day = 16,
    Hour = 32,
    Week = 256,
};
} // namespace CalendarUnit

// The sound a reminder plays unless it names another.
inline const QString DefaultSoundName = QStringLiteral("default");

// A reminder the platform raises at a moment: the text shown, the title of
// its action, when it fires, how it repeats and what it carries back to the
// application.
struct Reminder {
    QString alertBody;
    QString alertAction;
    QDateTime fireDate; // an absolute moment
    int repeatInterval = CalendarUnit::None;
    QString soundName;
    QVariantMap userInfo;
    int applicationIconBadgeNumber = 0;
    // Zone of the repeat arithmetic; empty: the device's zone at each firing.
    QString timeZone;

    // Given by the reminder center when it registers the reminder; identifies
    // the registered copy for cancelling.
    QString identifier;

    bool repeats() const;

    friend bool operator==(const Reminder &a, const Reminder &b);
    friend bool operator!=(const Reminder &a, const Reminder &b) { return !(a == b); }
};

// A reminder as a property-list dict, and back; what cannot be read back
// (no fire date) gives nothing.
QVariantMap reminderToDictionary(const Reminder &reminder);
std::optional<Reminder> reminderFromDictionary(const QVariant &dictionary);

// A reminder as one command-line argument ("--reminder=..."), the way the
// platform starts the application with the reminder the user answered. The
// alert text is left out: other users can read command lines.
QString reminderLaunchArgument(const Reminder &reminder);
std::optional<Reminder> reminderFromLaunchArguments(const QStringList &arguments);

// The zone a reminder's repeats keep their wall-clock time in: its own, or
// the device's (looked up once by a caller that asks for many).
QTimeZone repeatZone(const Reminder &reminder);
QTimeZone repeatZone(const Reminder &reminder, const QTimeZone &deviceZone);

// Occurrence n (0 is the fire date itself). An hour is 3,600 seconds; days,
// weeks, months and years keep the wall-clock time of the fire date in the
// zone and count from the fire date, so the 31st of a month falls on the last
// day of shorter months and comes back to the 31st.
QDateTime occurrence(const Reminder &reminder, qint64 n, const QTimeZone &zone);

// The first occurrence strictly after the moment, or nullopt when there is
// none (a reminder that does not repeat and whose moment has come).
std::optional<qint64> firstOccurrenceAfter(const Reminder &reminder, const QDateTime &moment,
                                           const QTimeZone &zone);

} // namespace platform

Q_DECLARE_METATYPE(platform::Reminder)
