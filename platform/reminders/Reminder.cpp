// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/reminders/Reminder.h"

#include "platform/core/PropertyList.h"
#include "platform/core/TimeZones.h"

#include <QTimeZone>

#include <limits>

using namespace Qt::Literals::StringLiterals;

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

namespace {

constexpr QStringView launchOption = u"--reminder=";

QString textOf(const QVariantMap &map, const QString &key)
{
    const QVariant value = map.value(key);
    return value.metaType().id() == QMetaType::QString ? value.toString() : QString();
}

qint64 integerOf(const QVariantMap &map, const QString &key)
{
    const QVariant value = map.value(key);
    return value.metaType().id() == QMetaType::LongLong ? value.toLongLong() : 0;
}

} // namespace

QVariantMap reminderToDictionary(const Reminder &r)
{
    QVariantMap map{
        {u"alertAction"_s, r.alertAction},
        {u"alertBody"_s, r.alertBody},
        {u"applicationIconBadgeNumber"_s, qint64(r.applicationIconBadgeNumber)},
        {u"fireDate"_s, r.fireDate},
        {u"identifier"_s, r.identifier},
        {u"repeatInterval"_s, qint64(r.repeatInterval)},
        {u"soundName"_s, r.soundName},
        {u"userInfo"_s, r.userInfo},
    };
    if (!r.timeZone.isEmpty())
        map.insert(u"timeZone"_s, r.timeZone);
    return map;
}

std::optional<Reminder> reminderFromDictionary(const QVariant &dictionary)
{
    const QVariantMap map = PropertyList::toMap(dictionary);
    const QVariant fireDate = map.value(u"fireDate"_s);
    if (fireDate.metaType().id() != QMetaType::QDateTime)
        return std::nullopt;
    Reminder r;
    r.fireDate = fireDate.toDateTime();
    r.identifier = textOf(map, u"identifier"_s);
    r.alertBody = textOf(map, u"alertBody"_s);
    r.alertAction = textOf(map, u"alertAction"_s);
    r.repeatInterval = int(integerOf(map, u"repeatInterval"_s));
    r.soundName = textOf(map, u"soundName"_s);
    r.userInfo = PropertyList::toMap(map.value(u"userInfo"_s));
    r.applicationIconBadgeNumber = int(integerOf(map, u"applicationIconBadgeNumber"_s));
    r.timeZone = textOf(map, u"timeZone"_s);
    return r;
}

QString reminderLaunchArgument(const Reminder &reminder)
{
    // Command lines are visible to every user of the machine: the text that
    // names the recipient stays out; what identifies the reminder goes in.
    Reminder carried = reminder;
    carried.alertBody.clear();
    const QByteArray document = PropertyList::serialize(reminderToDictionary(carried));
    return launchOption.toString() +
           QString::fromLatin1(document.toBase64(QByteArray::Base64UrlEncoding));
}

std::optional<Reminder> reminderFromLaunchArguments(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        if (!argument.startsWith(launchOption))
            continue;
        const auto decoded = QByteArray::fromBase64Encoding(
            argument.mid(launchOption.size()).toLatin1(),
            QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        const Result<QVariant> value = PropertyList::parse(*decoded);
        return value ? reminderFromDictionary(*value) : std::nullopt;
    }
    return std::nullopt;
}

QTimeZone repeatZone(const Reminder &reminder)
{
    return repeatZone(reminder, QTimeZone::systemTimeZone());
}

QTimeZone repeatZone(const Reminder &reminder, const QTimeZone &deviceZone)
{
    if (!reminder.timeZone.isEmpty()) {
        const QTimeZone zone(reminder.timeZone.toUtf8());
        if (zone.isValid())
            return zone;
    }
    return deviceZone;
}

QDateTime occurrence(const Reminder &reminder, qint64 n, const QTimeZone &zone)
{
    const QDateTime first = reminder.fireDate.toUTC();
    if (n == 0 || !reminder.repeats())
        return first;
    // A damaged registry can hold any count: one no calendar reaches gives
    // an invalid moment instead of overflowing.
    constexpr qint64 MaximumDays = qint64(400) * 366 * 1000000;
    qint64 seconds = 0;
    if (n < 0 || n > MaximumDays || __builtin_mul_overflow(n, qint64(3600), &seconds))
        return {};
    if (reminder.repeatInterval == CalendarUnit::Hour)
        return first.addSecs(seconds);

    const QDateTime local = first.toTimeZone(zone);
    QDate date = local.date();
    switch (reminder.repeatInterval) {
    case CalendarUnit::Day:
        date = date.addDays(n);
        break;
    case CalendarUnit::Week:
        date = n <= MaximumDays / 7 ? date.addDays(7 * n) : QDate();
        break;
    case CalendarUnit::Month:
        date = n <= std::numeric_limits<int>::max() ? date.addMonths(int(n)) : QDate();
        break;
    case CalendarUnit::Year:
        date = n <= std::numeric_limits<int>::max() ? date.addYears(int(n)) : QDate();
        break;
    }
    if (!date.isValid())
        return {};
    const QDateTime result(date, local.time(), zone);
    const QDateTime check = result.toTimeZone(zone);
    if (result.isValid() && check.date() == date && check.time() == local.time())
        return result.toUTC();
    // The zone skips that wall-clock time that day (a daylight-saving gap): it
    // moves forward by the gap, as clocks do, i.e. it is read with the offset
    // in force before the change.
    const QDateTime asUtc(date, local.time(), platform::utc());
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
    for (;;) {
        const QDateTime next = occurrence(reminder, n, zone);
        if (!next.isValid())
            return std::nullopt; // past what the calendar can hold
        if (next > moment)
            return n;
        ++n;
    }
}

} // namespace platform
