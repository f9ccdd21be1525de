#include "platform/core/PropertyListValues.h"

#include <QByteArray>

#include <charconv>
#include <limits>

namespace platform::plist {

namespace {

bool parseDigits(QStringView text, int count, int &value)
{
    if (text.size() < count)
        return false;
    value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    return true;
}

} // namespace

// plistlib's grammar: YYYY[-MM[-DD[THH[:MM[:SS]]]]]Z, missing parts taking
// their lowest value. The whole text must match.
std::optional<QDateTime> parseDate(QStringView text)
{
    int parts[6] = {0, 1, 1, 0, 0, 0};
    static constexpr char16_t separators[6] = {0, u'-', u'-', u'T', u':', u':'};
    static constexpr int widths[6] = {4, 2, 2, 2, 2, 2};
    qsizetype pos = 0;
    for (int part = 0; part < 6; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != separators[part])
                break;
            ++pos;
        }
        if (!parseDigits(text.mid(pos), widths[part], parts[part]))
            return std::nullopt;
        pos += widths[part];
    }
    if (pos != text.size() - 1 || text[pos] != u'Z')
        return std::nullopt;
    const QDate date(parts[0], parts[1], parts[2]);
    if (!date.isValid() || parts[0] < 1 || parts[3] > 23 || parts[4] > 59 || parts[5] > 59)
        return std::nullopt;
    // Straight from the fields: building it from QDate and QTime costs a
    // noticeable share of a large load.
    constexpr qint64 unixEpochJulianDay = 2440588;
    const qint64 seconds = (date.toJulianDay() - unixEpochJulianDay) * 86400 + parts[3] * 3600 +
                           parts[4] * 60 + parts[5];
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
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
