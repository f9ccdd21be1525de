// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/PropertyListValues.h"

#include "platform/core/TimeZones.h"

#include <QByteArray>

#include <charconv>
#include <limits>

namespace platform::plist {

namespace {

char16_t unit(QChar c)
{
    return c.unicode();
}

char16_t unit(char c)
{
    return char16_t((unsigned char)c);
}

template<typename Text> bool parseDigits(const Text &text, qsizetype pos, int count, int &value)
{
    if (qsizetype(text.size()) - pos < count)
        return false;
    value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = unit(text[size_t(pos + i)]);
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    return true;
}

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm).
qint64 daysFromCivil(qint64 year, int month, int day)
{
    year -= month <= 2;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const qint64 yoe = year - era * 400;
    const qint64 doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int daysInMonth(int year, int month)
{
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// plistlib's grammar: YYYY[-MM[-DD[THH[:MM[:SS]]]]]Z, missing parts taking
// their lowest value. The whole text must match.
template<typename Text> std::optional<QDateTime> parseDateText(const Text &text)
{
    int parts[6] = {0, 1, 1, 0, 0, 0};
    static constexpr char16_t separators[6] = {0, u'-', u'-', u'T', u':', u':'};
    static constexpr int widths[6] = {4, 2, 2, 2, 2, 2};
    const qsizetype size = qsizetype(text.size());
    qsizetype pos = 0;
    for (int part = 0; part < 6; ++part) {
        if (part > 0) {
            if (pos >= size || unit(text[size_t(pos)]) != separators[part])
                break;
            ++pos;
        }
        if (!parseDigits(text, pos, widths[part], parts[part]))
            return std::nullopt;
        pos += widths[part];
    }
    if (pos != size - 1 || unit(text[size_t(pos)]) != u'Z')
        return std::nullopt;
    if (parts[0] < 1 || parts[1] < 1 || parts[1] > 12 || parts[2] < 1 ||
        parts[2] > daysInMonth(parts[0], parts[1]) || parts[3] > 23 || parts[4] > 59 ||
        parts[5] > 59)
        return std::nullopt;
    // Straight from the fields: going through QDate and QTime costs a
    // noticeable share of a large load.
    const qint64 seconds = daysFromCivil(parts[0], parts[1], parts[2]) * 86400 + parts[3] * 3600 +
                           parts[4] * 60 + parts[5];
    return QDateTime::fromSecsSinceEpoch(seconds, platform::utc());
}

} // namespace

std::optional<QDateTime> parseDate(QStringView text)
{
    return parseDateText(text);
}

std::optional<QDateTime> parseDate(std::string_view text)
{
    return parseDateText(text);
}

std::optional<QVariant> parseInteger(QStringView text)
{
    const QByteArray latin = text.trimmed().toLatin1();
    const char *begin = latin.constData();
    const char *end = begin + latin.size();
    if (latin.startsWith("0x") || latin.startsWith("0X")) {
        quint64 value = 0;
        const auto [ptr, ec] = std::from_chars(begin + 2, end, value, 16);
        if (ec != std::errc() || ptr != end || begin + 2 == end)
            return std::nullopt;
        if (value <= quint64(std::numeric_limits<qint64>::max()))
            return QVariant(qint64(value));
        return QVariant(value);
    }
    if (begin != end && *begin == '+')
        ++begin;
    qint64 value = 0;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec == std::errc() && ptr == end && begin != end)
        return QVariant(value);
    if (ec == std::errc::result_out_of_range && *begin != '-') {
        quint64 big = 0;
        auto [bigPtr, bigEc] = std::from_chars(begin, end, big);
        if (bigEc == std::errc() && bigPtr == end)
            return QVariant(big);
    }
    return std::nullopt;
}

std::optional<double> parseReal(QStringView text)
{
    const QByteArray latin = text.trimmed().toLatin1();
    const char *begin = latin.constData();
    const char *end = begin + latin.size();
    if (begin != end && *begin == '+')
        ++begin;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || begin == end)
        return std::nullopt;
    return value;
}

} // namespace platform::plist
