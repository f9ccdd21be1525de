#include "PropertyList.h"

#include "AtomicFile.h"
#include "PrivateFiles.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

// ---------------------------------------------------------------- reading

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

enum class Kind { Array, Dict };

struct Frame {
    Kind kind;
    QVariantList array;
    PropertyList::Dictionary dict;
    QString key;
    bool hasKey = false;
};

class Reader {
public:
    explicit Reader(const QByteArray &document)
        : mXml(document)
    {
    }

    std::optional<QVariant> run(QString *error)
    {
        while (!mXml.atEnd() && mError.isEmpty()) {
            switch (mXml.readNext()) {
            case QXmlStreamReader::StartElement:
                startElement();
                break;
            case QXmlStreamReader::EndElement:
                endElement();
                break;
            case QXmlStreamReader::DTD:
                // As plistlib and the platform's own tools do: a property list
                // has no business declaring entities.
                if (!mXml.entityDeclarations().isEmpty())
                    fail(u"entity declarations are not allowed"_s);
                break;
            case QXmlStreamReader::EntityReference:
                fail(u"unknown entity '%1'"_s.arg(mXml.name()));
                break;
            default:
                // Comments, processing instructions and text between
                // elements carry no value.
                break;
            }
        }
        if (mError.isEmpty() && mXml.hasError())
            fail(mXml.errorString());
        if (mError.isEmpty() && !mRoot)
            fail(u"the document holds no value"_s);
        if (!mError.isEmpty()) {
            if (error)
                *error = mError;
            return std::nullopt;
        }
        return mRoot;
    }

private:
    void fail(const QString &reason)
    {
        if (mError.isEmpty())
            mError = u"line %1: %2"_s.arg(mXml.lineNumber()).arg(reason);
    }

    void startElement()
    {
        const QStringView name = mXml.name();
        if (name == u"plist") {
            if (mSeenPlist || !mStack.empty() || mRoot)
                fail(u"unexpected <plist>"_s);
            mSeenPlist = true;
            return;
        }
        if (name == u"array" || name == u"dict") {
            if (!canTakeValue())
                return;
            if (int(mStack.size()) >= PropertyList::MaximumDepth) {
                fail(u"nested too deeply"_s);
                return;
            }
            mStack.push_back(Frame{name == u"array" ? Kind::Array : Kind::Dict, {}, {}, {}, false});
            return;
        }
        if (name == u"key") {
            if (mStack.empty() || mStack.back().kind != Kind::Dict || mStack.back().hasKey) {
                fail(u"unexpected <key>"_s);
                return;
            }
            QString key = elementText();
            if (!mError.isEmpty())
                return;
            mStack.back().key = std::move(key);
            mStack.back().hasKey = true;
            return;
        }
        if (!canTakeValue())
            return;
        std::optional<QVariant> value;
        if (name == u"string") {
            QString text = elementText();
            value = QVariant(std::move(text));
        } else if (name == u"date") {
            const QString text = elementText();
            if (auto date = parseDate(text))
                value = QVariant(*date);
            else if (mError.isEmpty())
                fail(u"malformed date '%1'"_s.arg(text.left(40)));
        } else if (name == u"integer") {
            const QString text = elementText();
            value = parseInteger(text);
            if (!value && mError.isEmpty())
                fail(u"malformed integer '%1'"_s.arg(text.left(40)));
        } else if (name == u"real") {
            const QString text = elementText();
            if (auto real = parseReal(text))
                value = QVariant(*real);
            else if (mError.isEmpty())
                fail(u"malformed real '%1'"_s.arg(text.left(40)));
        } else if (name == u"true" || name == u"false") {
            elementText();
            value = QVariant(name == u"true");
        } else if (name == u"data") {
            const QString text = elementText();
            value = QVariant(QByteArray::fromBase64(text.toLatin1()));
        } else {
            fail(u"unknown element <%1>"_s.arg(name));
        }
        if (value && mError.isEmpty())
            addValue(std::move(*value));
    }

    void endElement()
    {
        const QStringView name = mXml.name();
        if (name == u"array" || name == u"dict") {
            // The stream reader has already matched the tags; the frame on top
            // is the one that closes.
            Frame frame = std::move(mStack.back());
            mStack.pop_back();
            if (frame.kind == Kind::Dict && frame.hasKey) {
                fail(u"missing value for key '%1'"_s.arg(frame.key.left(40)));
                return;
            }
            addValue(frame.kind == Kind::Array ? QVariant(frame.array)
                                               : QVariant::fromValue(frame.dict));
        }
    }

    // The text of a leaf element. Child elements and entities that cannot be
    // resolved are errors: nothing may be dropped from a value unnoticed.
    QString elementText()
    {
        QString text;
        while (!mXml.atEnd()) {
            switch (mXml.readNext()) {
            case QXmlStreamReader::Characters:
                if (text.isNull())
                    text = mXml.text().toString();
                else
                    text += mXml.text();
                break;
            case QXmlStreamReader::EndElement:
                return text;
            case QXmlStreamReader::StartElement:
                fail(u"unexpected <%1> inside a value"_s.arg(mXml.name()));
                return text;
            case QXmlStreamReader::EntityReference:
                fail(u"unknown entity '%1'"_s.arg(mXml.name()));
                return text;
            default:
                break; // comments and processing instructions
            }
        }
        if (mXml.hasError())
            fail(mXml.errorString());
        return text;
    }

    bool canTakeValue()
    {
        if (mStack.empty()) {
            if (mRoot) {
                fail(u"more than one root value"_s);
                return false;
            }
            return true;
        }
        const Frame &top = mStack.back();
        if (top.kind == Kind::Dict && !top.hasKey) {
            fail(u"a value in a dict without a key"_s);
            return false;
        }
        return true;
    }

    void addValue(QVariant value)
    {
        if (mStack.empty()) {
            mRoot = std::move(value);
            return;
        }
        Frame &top = mStack.back();
        if (top.kind == Kind::Array) {
            top.array.append(std::move(value));
        } else {
            top.dict.entries.append({std::move(top.key), std::move(value)});
            top.key = QString();
            top.hasKey = false;
        }
    }

    QXmlStreamReader mXml;
    std::vector<Frame> mStack;
    std::optional<QVariant> mRoot;
    QString mError;
    bool mSeenPlist = false;
};

// ---------------------------------------------------------------- writing

constexpr char header[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                          "<plist version=\"1.0\">\n";

// Appends text as UTF-8 with the escapes plistlib uses, in one pass.
void appendEscaped(QByteArray &out, QStringView text)
{
    const qsizetype start = out.size();
    // Worst case per UTF-16 unit: a five-byte escape.
    out.resize(start + 5 * text.size());
    char *p = out.data() + start;
    auto put = [&p](const char *s, int n) {
        std::memcpy(p, s, size_t(n));
        p += n;
    };
    constexpr char replacement[] = "\xEF\xBF\xBD"; // U+FFFD
    const char16_t *u = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
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
    out.resize(p - out.constData());
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

    void leaf(const char *tag, QStringView text, int level)
    {
        indent(level);
        mOut += '<';
        mOut += tag;
        mOut += '>';
        appendEscaped(mOut, text);
        mOut += "</";
        mOut += tag;
        mOut += ">\n";
    }

    void date(const QDateTime &moment, int level)
    {
        QDateTime utc =
            moment.isValid() ? moment.toUTC() : QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
        const QDate d = utc.date();
        const QTime t = utc.time();
        char text[48];
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", d.year(), d.month(),
                      d.day(), t.hour(), t.minute(), t.second());
        simple("date", text, level);
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

std::optional<QVariant> PropertyList::parse(const QByteArray &document, QString *error)
{
    return Reader(document).run(error);
}

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
    Writer(out).value(element, 1);
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

std::optional<QVariantList> PropertyList::readArrayFile(const QString &path, QString *error)
{
    // A FIFO, a device or a huge file is refused before anything blocks.
    const std::optional<QByteArray> document = readRegularFile(path, OwnFile, error);
    if (!document)
        return std::nullopt;
    std::optional<QVariant> root = parse(*document, error);
    if (!root)
        return std::nullopt;
    if (root->metaType().id() != QMetaType::QVariantList) {
        if (error)
            *error = u"the root is not an array"_s;
        return std::nullopt;
    }
    return root->toList();
}

bool PropertyList::writeFile(const QString &path, const QVariant &root, QString *error)
{
    return writeFileAtomically(path, serialize(root), error);
}

} // namespace platform
