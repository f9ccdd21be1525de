// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QTimeZone>

// Qt 6.9 deprecates the Qt::TimeSpec arguments of QDateTime for QTimeZone
// ones (and Qt 6.8 warns), but QTimeZone's light UTC and fixed-offset kinds
// only came with Qt 6.5: before that a QTimeZone was always a named zone.
namespace platform {

#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
inline QTimeZone utc()
{
    return QTimeZone(QTimeZone::UTC);
}

inline QDateTime aheadOfUtc(QDate date, QTime time, int seconds)
{
    return QDateTime(date, time, QTimeZone::fromSecondsAheadOfUtc(seconds));
}
#else
constexpr Qt::TimeSpec utc()
{
    return Qt::UTC;
}

inline QDateTime aheadOfUtc(QDate date, QTime time, int seconds)
{
    return QDateTime(date, time, Qt::OffsetFromUTC, seconds);
}
#endif

} // namespace platform
