// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/PropertyList.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/PrivateFiles.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

// ---------------------------------------------------------------- writing

constexpr char header[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                          "<plist version=\"1.0\">\n";

// Writes text at p as UTF-8 with the escapes plistlib uses, in one pass;
// at most five bytes per UTF-16 unit. Returns the end.
char *writeEscaped(char *p, QStringView text)
{
    auto put = [&p](const char *s, int n) {
        std::memcpy(p, s, size_t(n));
        p += n;
    };
    constexpr char replacement[] = "\xEF\xBF\xBD"; // U+FFFD
    const char16_t *u = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        // Runs of plain ASCII, the bulk of a store, copy without the switch.
        while (i < n && u[i] >= 0x20 && u[i] < 0x80 && u[i] != u'&' && u[i] != u'<' && u[i] != u'>')
            *p++ = char(u[i++]);
        if (i == n)
            break;
        const char16_t c = u[i];
        if (c < 0x80) {
            switch (c) {
            case u'&':
                put("&amp;", 5);
                break;
            case u'<':
                put("&lt;", 4);
                break;
            case u'>':
                put("&gt;", 4);
                break;
            case u'\r':
                // A raw CR would read back as a line feed.
                put("&#13;", 5);
                break;
            case u'\t':
            case u'\n':
                *p++ = char(c);
                break;
            default:
                if (c < 0x20)
                    put(replacement, 3);
                else
                    *p++ = char(c);
            }
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(u[i + 1])) {
            const char32_t cp = QChar::surrogateToUcs4(c, u[i + 1]);
            ++i;
            *p++ = char(0xF0 | (cp >> 18));
            *p++ = char(0x80 | ((cp >> 12) & 0x3F));
            *p++ = char(0x80 | ((cp >> 6) & 0x3F));
            *p++ = char(0x80 | (cp & 0x3F));
        } else if (QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            put(replacement, 3);
        } else {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        }
    }
    return p;
}

// Python's repr() of a float: the shortest text that reads back exactly,
// in exponent form below 1e-4 and from 1e16 on.
QByteArray pythonRepr(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const std::string_view sci(buffer, size_t(result.ptr - buffer));
    const size_t ePos = sci.find('e');
    std::string_view mantissa = sci.substr(0, ePos);
    const int exponent = std::atoi(std::string(sci.substr(ePos + 1)).c_str());
    QByteArray out;
    if (!mantissa.empty() && mantissa.front() == '-') {
        out += '-';
        mantissa.remove_prefix(1);
    }
    std::string digits;
    for (char c : mantissa) {
        if (c != '.')
            digits += c;
    }
    const int point = exponent + 1; // value = 0.digits * 10^point
    if (point <= -4 || point > 16) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1).c_str();
        }
        char exp[16];
        std::snprintf(exp, sizeof exp, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        out += exp;
    } else if (point <= 0) {
        out += "0.";
        out += QByteArray(-point, '0');
        out += digits.c_str();
    } else if (size_t(point) >= digits.size()) {
        out += digits.c_str();
        out += QByteArray(point - int(digits.size()), '0');
        out += ".0";
    } else {
        out += digits.substr(0, size_t(point)).c_str();
        out += '.';
        out += digits.substr(size_t(point)).c_str();
    }
    return out;
}

class Writer {
public:
    explicit Writer(QByteArray &out)
        : mOut(out)
    {
    }

    void value(const QVariant &v, int level)
    {
        switch (v.metaType().id()) {
        case QMetaType::QString:
            leaf("string", *static_cast<const QString *>(v.constData()), level);
            break;
        case QMetaType::QDateTime:
            date(*static_cast<const QDateTime *>(v.constData()), level);
            break;
        case QMetaType::QVariantList:
            array(*static_cast<const QVariantList *>(v.constData()), level);
            break;
        case QMetaType::QStringList: {
            QVariantList list;
            for (const QString &s : v.toStringList())
                list.append(s);
            array(list, level);
            break;
        }
        case QMetaType::QVariantMap: {
            // Sorted by key, as plistlib writes a dict.
            PropertyList::Dictionary dict;
            const QVariantMap map = v.toMap();
            for (auto it = map.cbegin(); it != map.cend(); ++it)
                dict.entries.append({it.key(), it.value()});
            dictionary(dict, level);
            break;
        }
        case QMetaType::Bool:
            line(v.toBool() ? "<true/>" : "<false/>", level);
            break;
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
            simple("integer", QByteArray::number(v.toLongLong()), level);
            break;
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
            simple("integer", QByteArray::number(v.toULongLong()), level);
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            simple("real", pythonRepr(v.toDouble()), level);
            break;
        case QMetaType::QByteArray:
            data(v.toByteArray(), level);
            break;
        default:
            if (v.metaType() == QMetaType::fromType<PropertyList::Dictionary>())
                dictionary(*static_cast<const PropertyList::Dictionary *>(v.constData()), level);
            else
                leaf("string", v.toString(), level);
        }
    }

private:
    void indent(int level) { mOut.append(level, '\t'); }

    void line(const char *text, int level)
    {
        indent(level);
        mOut += text;
        mOut += '\n';
    }

    void simple(const char *tag, const QByteArray &text, int level)
    {
        indent(level);
        mOut += '<';
        mOut += tag;
        mOut += '>';
        mOut += text;
        mOut += "</";
        mOut += tag;
        mOut += ">\n";
    }

    // Room for n more bytes, at the end; done() then gives the size used.
    char *room(qsizetype n)
    {
        const qsizetype size = mOut.size();
        // Grown geometrically, as resize() alone would not.
        if (mOut.capacity() < size + n)
            mOut.reserve(std::max(size + n, 2 * mOut.capacity()));
        mOut.resize(size + n);
        return mOut.data() + size;
    }
    void done(const char *end) { mOut.resize(end - mOut.constData()); }

    static char *put(char *p, const char *s, size_t n)
    {
        std::memcpy(p, s, n);
        return p + n;
    }

    void leaf(const char *tag, QStringView text, int level)
    {
        const size_t tagLength = std::strlen(tag);
        char *p = room(level + 2 * qsizetype(tagLength) + 6 + 5 * text.size());
        std::memset(p, '\t', size_t(level));
        p += level;
        *p++ = '<';
        p = put(p, tag, tagLength);
        *p++ = '>';
        p = writeEscaped(p, text);
        *p++ = '<';
        *p++ = '/';
        p = put(p, tag, tagLength);
        *p++ = '>';
        *p++ = '\n';
        done(p);
    }

    // From the seconds since the epoch by the civil calendar's arithmetic:
    // converting through QDate and QTime costs a large share of a save.
    void date(const QDateTime &moment, int level)
    {
        const qint64 msecs = moment.isValid() ? moment.toMSecsSinceEpoch() : 0;
        qint64 days = msecs / 86400000;
        qint64 rest = msecs % 86400000;
        if (rest < 0) {
            rest += 86400000;
            --days;
        }
        rest /= 1000;
        // Howard Hinnant's days-to-civil.
        const qint64 z = days + 719468;
        const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
        const qint64 doe = z - era * 146097;
        const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const qint64 mp = (5 * doy + 2) / 153;
        const int day = int(doy - (153 * mp + 2) / 5 + 1);
        const int month = int(mp < 10 ? mp + 3 : mp - 9);
        qint64 year = yoe + era * 400 + (month <= 2);
        if (year <= 0)
            --year; // QDate has no year 0
        char text[64];
        char *p = text;
        if (year >= 0 && year <= 9999) {
            for (int divisor = 1000; divisor > 0; divisor /= 10)
                *p++ = char('0' + year / divisor % 10);
        } else {
            p += std::snprintf(text, sizeof text, "%04lld", (long long)year);
        }
        const int fields[5] = {month, day, int(rest / 3600), int(rest / 60 % 60), int(rest % 60)};
        static constexpr char separators[5] = {'-', '-', 'T', ':', ':'};
        for (int i = 0; i < 5; ++i) {
            *p++ = separators[i];
            *p++ = char('0' + fields[i] / 10);
            *p++ = char('0' + fields[i] % 10);
        }
        *p++ = 'Z';
        *p = '\0';
        simple("date", QByteArray::fromRawData(text, p - text), level);
    }

    void array(const QVariantList &list, int level)
    {
        if (list.isEmpty()) {
            line("<array/>", level);
            return;
        }
        line("<array>", level);
        for (const QVariant &element : list)
            value(element, level + 1);
        line("</array>", level);
    }

    void dictionary(const PropertyList::Dictionary &dict, int level)
    {
        if (dict.entries.isEmpty()) {
            line("<dict/>", level);
            return;
        }
        line("<dict>", level);
        for (const auto &[key, element] : dict.entries) {
            leaf("key", key, level + 1);
            value(element, level + 1);
        }
        line("</dict>", level);
    }

    // plistlib's layout: base64 lines as long as fit in 76 columns at this
    // indentation (a tab counting 8), at least 16, at the level of the tags.
    void data(const QByteArray &bytes, int level)
    {
        line("<data>", level);
        const int maxLineLength = std::max(16, 76 - 8 * level);
        const int chunk = (maxLineLength / 4) * 3;
        for (qsizetype i = 0; i < bytes.size(); i += chunk) {
            indent(level);
            mOut += bytes.mid(i, chunk).toBase64();
            mOut += '\n';
        }
        line("</data>", level);
    }

    QByteArray &mOut;
};

} // namespace

QByteArray PropertyList::serialize(const QVariant &root)
{
    QByteArray out;
    out.reserve(4096);
    out += header;
    Writer(out).value(root, 0);
    out += "</plist>\n";
    return out;
}

QVariantMap PropertyList::toMap(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<Dictionary>()) {
        QVariantMap map;
        for (const auto &[key, element] :
             static_cast<const Dictionary *>(value.constData())->entries)
            map.insert(key, element);
        return map;
    }
    return value.metaType().id() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

QByteArray PropertyList::serializeArrayElement(const QVariant &element)
{
    QByteArray out;
    // Room for a usual record at once; kept by callers, so no slack left.
    out.reserve(1024);
    Writer(out).value(element, 1);
    if (out.capacity() - out.size() > 64)
        out.squeeze();
    return out;
}

QByteArray PropertyList::joinArrayElements(const QList<QByteArray> &elements)
{
    if (elements.isEmpty())
        return serialize(QVariantList());
    qsizetype size = 64 + sizeof header;
    for (const QByteArray &element : elements)
        size += element.size();
    QByteArray out;
    out.reserve(size);
    out += header;
    out += "<array>\n";
    for (const QByteArray &element : elements)
        out += element;
    out += "</array>\n</plist>\n";
    return out;
}

namespace {

// The file's bytes in one read; the only place a property list is opened.
Result<QByteArray> readFileBytes(const QString &path, bool followLinks)
{
    // A FIFO, a device or a huge file is refused before anything blocks.
    return readRegularFile(path, OwnFile | (followLinks ? FollowLinks : NoFollow));
}

} // namespace

Result<QVariantList> PropertyList::readArrayFile(const QString &path, bool followLinks)
{
    const Result<QByteArray> document = readFileBytes(path, followLinks);
    if (!document)
        return Error{document.error()};
    const Result<QVariant> root = parse(*document);
    if (!root)
        return Error{root.error()};
    if (root->metaType().id() != QMetaType::QVariantList)
        return Error{u"the root is not an array"_s};
    return root->toList();
}

Result<void> PropertyList::writeFile(const QString &path, const QVariant &root)
{
    return writeFileAtomically(path, serialize(root));
}

} // namespace platform
