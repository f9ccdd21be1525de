#include "Reminder.h"

#include <QTimeZone>

namespace platform {

bool Reminder::repeats() const
{
    switch (repeatInterval) {
    case CalendarUnit::Year:
    case CalendarUnit::Month:
    case CalendarUnit::Day:
    case CalendarUnit::Hour:
    case CalendarUnit::Week:
        return true;
    default:
        return false;
    }
}

bool operator==(const Reminder &a, const Reminder &b)
{
    return a.alertBody == b.alertBody && a.alertAction == b.alertAction &&
           a.fireDate == b.fireDate && a.repeatInterval == b.repeatInterval &&
           a.soundName == b.soundName && a.userInfo == b.userInfo &&
           a.applicationIconBadgeNumber == b.applicationIconBadgeNumber &&
           a.timeZone == b.timeZone && a.identifier == b.identifier;
}

QTimeZone repeatZone(const Reminder &reminder)
{
    if (!reminder.timeZone.isEmpty()) {
        const QTimeZone zone(reminder.timeZone.toUtf8());
        if (zone.isValid())
            return zone;
    }
    return QTimeZone::systemTimeZone();
}

QDateTime occurrence(const Reminder &reminder, qint64 n, const QTimeZone &zone)
{
    const QDateTime first = reminder.fireDate.toUTC();
    if (n == 0 || !reminder.repeats())
        return first;
    if (reminder.repeatInterval == CalendarUnit::Hour)
        return first.addSecs(3600 * n);

    const QDateTime local = first.toTimeZone(zone);
    QDate date = local.date();
    switch (reminder.repeatInterval) {
    case CalendarUnit::Day:
        date = date.addDays(n);
        break;
    case CalendarUnit::Week:
        date = date.addDays(7 * n);
        break;
    case CalendarUnit::Month:
        date = date.addMonths(int(n));
        break;
    case CalendarUnit::Year:
        date = date.addYears(int(n));
        break;
    }
    const QDateTime result(date, local.time(), zone);
    const QDateTime check = result.toTimeZone(zone);
    if (result.isValid() && check.date() == date && check.time() == local.time())
        return result.toUTC();
    // The zone skips that wall-clock time that day (a daylight-saving gap): it
    // moves forward by the gap, as clocks do, i.e. it is read with the offset
    // in force before the change.
    const QDateTime asUtc(date, local.time(), Qt::UTC);
    return asUtc.addSecs(-zone.offsetFromUtc(asUtc.addDays(-1)));
}

std::optional<qint64> firstOccurrenceAfter(const Reminder &reminder, const QDateTime &moment,
                                           const QTimeZone &zone)
{
    if (!reminder.repeats())
        return reminder.fireDate > moment ? std::optional<qint64>(0) : std::nullopt;

    // Start near the answer and walk: occurrences are in order, and months and
    // years differ in length.
    qint64 period = 0;
    switch (reminder.repeatInterval) {
    case CalendarUnit::Hour:
        period = 3600;
        break;
    case CalendarUnit::Day:
        period = 86400;
        break;
    case CalendarUnit::Week:
        period = 7 * 86400;
        break;
    case CalendarUnit::Month:
        period = 2629746; // an average month
        break;
    case CalendarUnit::Year:
        period = 31556952; // an average year
        break;
    }
    const qint64 elapsed = reminder.fireDate.secsTo(moment);
    qint64 n = elapsed > 0 ? qMax<qint64>(0, elapsed / period - 2) : 0;
    while (n > 0 && occurrence(reminder, n, zone) > moment)
        --n;
    while (occurrence(reminder, n, zone) <= moment)
        ++n;
    return n;
}

} // namespace platform
