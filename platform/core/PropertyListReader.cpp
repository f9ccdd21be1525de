#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListValues.h"

#include <algorithm>

#include <cstring>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace platform::plist {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Without ':': the format needs no namespaces, and QXmlStreamReader reads
// prefixes its own way.
bool isAsciiNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isAsciiNameChar(char c)
{
    return isAsciiNameStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

void appendUtf8(QByteArray &out, char32_t cp)
{
    char b[4];
    int n;
    if (cp < 0x80) {
        b[0] = char(cp);
        n = 1;
    } else if (cp < 0x800) {
        b[0] = char(0xC0 | (cp >> 6));
        b[1] = char(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        b[0] = char(0xE0 | (cp >> 12));
        b[1] = char(0x80 | ((cp >> 6) & 0x3F));
        b[2] = char(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        b[0] = char(0xF0 | (cp >> 18));
        b[1] = char(0x80 | ((cp >> 12) & 0x3F));
        b[2] = char(0x80 | ((cp >> 6) & 0x3F));
        b[3] = char(0x80 | (cp & 0x3F));
        n = 4;
    }
    out.append(b, n);
}

bool isXmlChar(char32_t cp)
{
    if (cp < 0x20)
        return cp == 0x9 || cp == 0xA || cp == 0xD;
    if (cp >= 0xD800 && cp <= 0xDFFF)
        return false;
    return cp != 0xFFFE && cp != 0xFFFF && cp <= 0x10FFFF;
}

// Strict UTF-8 of characters XML 1.0 allows; nullptr when all are, else the
// first byte that is not.
const char *firstInvalid(const char *p, const char *e)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    const auto *end = reinterpret_cast<const unsigned char *>(e);
    while (u < end) {
        const unsigned char c = *u;
        if (c >= 0x20 && c < 0x80) {
            ++u;
            continue;
        }
        if (c < 0x20) {
            if (c != '\t' && c != '\n' && c != '\r')
                return reinterpret_cast<const char *>(u);
            ++u;
            continue;
        }
        int n;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            cp = c & 0x07;
        } else {
            return reinterpret_cast<const char *>(u);
        }
        if (end - u <= n)
            return reinterpret_cast<const char *>(u);
        for (int i = 1; i <= n; ++i) {
            if ((u[i] & 0xC0) != 0x80)
                return reinterpret_cast<const char *>(u);
            cp = (cp << 6) | (u[i] & 0x3F);
        }
        const char32_t least = n == 1 ? 0x80 : n == 2 ? 0x800 : 0x10000;
        if (cp < least || !isXmlChar(cp))
            return reinterpret_cast<const char *>(u);
        u += n + 1;
    }
    return nullptr;
}

// QString::fromUtf8 drops a leading byte-order mark; in a value it is text.
QString toString(const char *utf8, qsizetype n)
{
    if (n >= 3 && std::memcmp(utf8, "\xEF\xBB\xBF", 3) == 0)
        return QChar(0xFEFF) + QString::fromUtf8(utf8 + 3, n - 3);
    return QString::fromUtf8(utf8, n);
}

enum class Kind { Array, Dict };

struct Frame {
    Kind kind;
    QVariantList array;
    PropertyList::Dictionary dict;
    QString key;
    bool hasKey = false;
};

enum class Tag { Plist, Array, Dict, Key, String, Date, Integer, Real, True, False, Data, Other };

Tag tagOf(const char *name, qsizetype n)
{
    auto is = [&](const char *s) {
        return qsizetype(std::strlen(s)) == n && std::memcmp(name, s, size_t(n)) == 0;
    };
    switch (n) {
    case 3:
        return is("key") ? Tag::Key : Tag::Other;
    case 4:
        return is("dict") ? Tag::Dict : is("date") ? Tag::Date : is("real") ? Tag::Real
               : is("true") ? Tag::True : is("data") ? Tag::Data : Tag::Other;
    case 5:
        return is("plist") ? Tag::Plist : is("array") ? Tag::Array : is("false") ? Tag::False
                                                                                 : Tag::Other;
    case 6:
        return is("string") ? Tag::String : Tag::Other;
    case 7:
        return is("integer") ? Tag::Integer : Tag::Other;
    default:
        return Tag::Other;
    }
}

class Scanner {
public:
    Scanner(const char *begin, const char *end)
        : mBegin(begin), mP(begin), mEnd(end)
    {
    }

    std::optional<QVariant> run(QString *error)
    {
        const bool ok = document();
        if (ok && !mRoot)
            fail(u"the document holds no value"_s);
        if (!mError.isEmpty()) {
            if (error)
                *error = mError;
            return std::nullopt;
        }
        return mRoot;
    }

private:
    bool fail(const QString &reason)
    {
        if (mError.isEmpty()) {
            const qsizetype line = 1 + std::count(mBegin, std::min(mP, mEnd), '\n');
            mError = u"line %1: %2"_s.arg(line).arg(reason);
        }
        return false;
    }

    bool at(const char *s) const
    {
        const size_t n = std::strlen(s);
        return size_t(mEnd - mP) >= n && std::memcmp(mP, s, n) == 0;
    }

    void skipSpace()
    {
        while (mP < mEnd && isSpace(*mP))
            ++mP;
    }

    // An ASCII XML name (other names are refused, no honest file has them).
    bool name(const char *&start, qsizetype &length, bool colons = false)
    {
        start = mP;
        if (mP >= mEnd || !isAsciiNameStart(*mP))
            return fail(u"malformed name"_s);
        while (mP < mEnd && isAsciiNameChar(*mP))
            ++mP;
        // A qualified name: one prefix before a colon.
        if (colons && mEnd - mP >= 2 && *mP == ':' && isAsciiNameStart(mP[1])) {
            ++mP;
            while (mP < mEnd && isAsciiNameChar(*mP))
                ++mP;
        }
        length = mP - start;
        return true;
    }

    bool document()
    {
        if (at("\xEF\xBB\xBF"))
            mP += 3;
        if (const char *bad = firstInvalid(mP, mEnd)) {
            mP = bad;
            return fail(u"not UTF-8 of XML characters"_s);
        }
        if (at("<?xml") && mP + 5 < mEnd && isSpace(mP[5])) {
            if (!declaration())
                return false;
        }
        bool doctype = false;
        // Before the root element.
        for (;;) {
            skipSpace();
            if (mP >= mEnd)
                return fail(u"premature end of document"_s);
            if (*mP != '<')
                return fail(u"text outside the root element"_s);
            if (at("<!--")) {
                if (!comment())
                    return false;
            } else if (at("<?")) {
                if (!instruction())
                    return false;
            } else if (at("<!DOCTYPE")) {
                if (doctype || !doctypeDecl())
                    return doctype ? fail(u"a second DOCTYPE"_s) : false;
                doctype = true;
            } else {
                break;
            }
        }
        if (!elements())
            return false;
        // After it.
        for (;;) {
            skipSpace();
            if (mP >= mEnd)
                return true;
            if (at("<!--")) {
                if (!comment())
                    return false;
            } else if (at("<?")) {
                if (!instruction())
                    return false;
            } else {
                return fail(u"content after the root element"_s);
            }
        }
    }

    // A quoted value; its text between the quotes.
    bool quoted(const char *&start, qsizetype &length)
    {
        if (mP >= mEnd || (*mP != '"' && *mP != '\''))
            return fail(u"expected a quoted value"_s);
        const char quote = *mP++;
        start = mP;
        const char *close = static_cast<const char *>(std::memchr(mP, quote, size_t(mEnd - mP)));
        if (!close)
            return fail(u"unterminated quoted value"_s);
        length = close - start;
        // As QXmlStreamReader: no markup inside, not even where XML allows it.
        if (std::memchr(start, '<', size_t(length)) || std::memchr(start, '&', size_t(length)))
            return fail(u"markup in a quoted value"_s);
        mP = close + 1;
        return true;
    }

    bool pseudoAttribute(const char *wanted, const char *&value, qsizetype &length)
    {
        const char *save = mP;
        skipSpace();
        if (mP == save || !at(wanted)) {
            mP = save;
            return false;
        }
        mP += std::strlen(wanted);
        skipSpace();
        if (mP >= mEnd || *mP != '=') {
            mP = save;
            return false;
        }
        ++mP;
        skipSpace();
        return quoted(value, length);
    }

    static bool equals(const char *s, qsizetype n, const char *text, bool caseless = false)
    {
        if (qsizetype(std::strlen(text)) != n)
            return false;
        for (qsizetype i = 0; i < n; ++i) {
            char a = s[i], b = text[i];
            if (caseless && a >= 'a' && a <= 'z')
                a = char(a - 'a' + 'A');
            if (a != b)
                return false;
        }
        return true;
    }

    bool declaration()
    {
        mP += 5;
        const char *value = nullptr;
        qsizetype length = 0;
        if (!pseudoAttribute("version", value, length))
            return fail(u"malformed XML declaration"_s);
        if (!equals(value, length, "1.0"))
            return fail(u"unsupported XML version"_s);
        if (pseudoAttribute("encoding", value, length)) {
            if (!equals(value, length, "UTF-8", true))
                return fail(u"not UTF-8"_s);
        } else if (!mError.isEmpty()) {
            return false;
        }
        if (pseudoAttribute("standalone", value, length)) {
            if (!equals(value, length, "yes") && !equals(value, length, "no"))
                return fail(u"malformed XML declaration"_s);
        } else if (!mError.isEmpty()) {
            return false;
        }
        skipSpace();
        if (!at("?>"))
            return fail(u"malformed XML declaration"_s);
        mP += 2;
        return true;
    }

    bool comment()
    {
        mP += 4;
        for (;;) {
            const char *dash =
                static_cast<const char *>(std::memchr(mP, '-', size_t(mEnd - mP)));
            if (!dash) {
                mP = mEnd;
                return fail(u"unterminated comment"_s);
            }
            mP = dash;
            if (at("--")) {
                if (!at("-->"))
                    return fail(u"'--' inside a comment"_s);
                mP += 3;
                return true;
            }
            ++mP;
        }
    }

    bool instruction()
    {
        mP += 2;
        const char *target = nullptr;
        qsizetype length = 0;
        if (!name(target, length))
            return false;
        if (equals(target, length, "XML", true))
            return fail(u"misplaced XML declaration"_s);
        if (at("?>")) {
            mP += 2;
            return true;
        }
        if (mP >= mEnd || !isSpace(*mP))
            return fail(u"malformed processing instruction"_s);
        for (; mP + 1 < mEnd; ++mP) {
            if (mP[0] == '?' && mP[1] == '>') {
                mP += 2;
                return true;
            }
        }
        mP = mEnd;
        return fail(u"unterminated processing instruction"_s);
    }

    bool doctypeDecl()
    {
        mP += 9;
        if (mP >= mEnd || !isSpace(*mP))
            return fail(u"malformed DOCTYPE"_s);
        skipSpace();
        const char *n = nullptr;
        qsizetype length = 0;
        if (!name(n, length, true))
            return false;
        const char *beforeSpace = mP;
        skipSpace();
        const bool spaced = mP != beforeSpace;
        const char *value = nullptr;
        qsizetype valueLength = 0;
        if (spaced && at("SYSTEM")) {
            mP += 6;
            if (!requireSpace() || !quoted(value, valueLength))
                return false;
            skipSpace();
        } else if (spaced && at("PUBLIC")) {
            mP += 6;
            if (!requireSpace() || !quoted(value, valueLength))
                return false;
            for (qsizetype i = 0; i < valueLength; ++i) {
                const char c = value[i];
                if (!(isAsciiNameChar(c) || (c >= '0' && c <= '9') || std::strchr(" \r\n'()+,./:=?;!*#@$_%-", c)) ||
                    c == 0)
                    return fail(u"malformed public identifier"_s);
            }
            if (!requireSpace() || !quoted(value, valueLength))
                return false;
            skipSpace();
        }
        if (at("["))
            return fail(u"entity declarations are not allowed"_s);
        if (!at(">"))
            return fail(u"malformed DOCTYPE"_s);
        ++mP;
        return true;
    }

    bool requireSpace()
    {
        if (mP >= mEnd || !isSpace(*mP))
            return fail(u"expected white space"_s);
        skipSpace();
        return true;
    }

    // A reference after '&': appended to out (when given) as UTF-8.
    bool reference(QByteArray *out)
    {
        ++mP;
        const char *semi = static_cast<const char *>(std::memchr(mP, ';', size_t(mEnd - mP)));
        if (!semi)
            return fail(u"unterminated reference"_s);
        const char *s = mP;
        const qsizetype n = semi - s;
        if (n > 1 && s[0] == '#') {
            char32_t cp = 0;
            const bool hex = s[1] == 'x';
            const qsizetype first = hex ? 2 : 1;
            if (first >= n)
                return fail(u"malformed character reference"_s);
            for (qsizetype i = first; i < n; ++i) {
                const char c = s[i];
                int digit;
                if (c >= '0' && c <= '9')
                    digit = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    digit = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F')
                    digit = c - 'A' + 10;
                else
                    return fail(u"malformed character reference"_s);
                cp = cp * (hex ? 16 : 10) + char32_t(digit);
                if (cp > 0x10FFFF)
                    return fail(u"invalid character reference"_s);
            }
            if (!isXmlChar(cp))
                return fail(u"invalid character reference"_s);
            if (out)
                appendUtf8(*out, cp);
        } else {
            char c;
            if (equals(s, n, "amp"))
                c = '&';
            else if (equals(s, n, "lt"))
                c = '<';
            else if (equals(s, n, "gt"))
                c = '>';
            else if (equals(s, n, "quot"))
                c = '"';
            else if (equals(s, n, "apos"))
                c = '\'';
            else
                return fail(u"unknown entity '%1'"_s.arg(QString::fromUtf8(s, std::min<qsizetype>(n, 40))));
            if (out)
                out->append(c);
        }
        mP = semi + 1;
        return true;
    }

    // Attributes up to and including '>' or "/>"; empty tells which.
    bool attributes(bool &empty)
    {
        std::vector<std::pair<const char *, qsizetype>> seen;
        for (;;) {
            const char *before = mP;
            skipSpace();
            if (mP >= mEnd)
                return fail(u"premature end of document"_s);
            if (*mP == '>') {
                ++mP;
                empty = false;
                return true;
            }
            if (at("/>")) {
                mP += 2;
                empty = true;
                return true;
            }
            if (mP == before)
                return fail(u"expected white space"_s);
            const char *n = nullptr;
            qsizetype length = 0;
            if (!name(n, length))
                return false;
            for (const auto &[other, otherLength] : seen) {
                if (otherLength == length && std::memcmp(other, n, size_t(length)) == 0)
                    return fail(u"attribute redefined"_s);
            }
            seen.emplace_back(n, length);
            skipSpace();
            if (mP >= mEnd || *mP != '=')
                return fail(u"expected '='"_s);
            ++mP;
            skipSpace();
            if (mP >= mEnd || (*mP != '"' && *mP != '\''))
                return fail(u"expected a quoted value"_s);
            const char quote = *mP++;
            while (mP < mEnd && *mP != quote) {
                if (*mP == '<')
                    return fail(u"'<' in an attribute value"_s);
                if (*mP == '&') {
                    if (!reference(nullptr))
                        return false;
                } else {
                    ++mP;
                }
            }
            if (mP >= mEnd)
                return fail(u"premature end of document"_s);
            ++mP;
        }
    }

    // Text, references, CDATA, comments and instructions up to the next tag
    // (mP then at its '<'); collected into out when given, as UTF-8 with line
    // ends made "\n".
    bool content(QByteArray *out)
    {
        for (;;) {
            const char *run = mP;
            while (mP < mEnd) {
                const char c = *mP;
                if (c == '<' || c == '&' || c == '\r' || c == ']')
                    break;
                ++mP;
            }
            if (out)
                out->append(run, mP - run);
            if (mP >= mEnd)
                return fail(u"premature end of document"_s);
            switch (*mP) {
            case '&':
                if (!reference(out))
                    return false;
                break;
            case '\r':
                if (out)
                    out->append('\n');
                ++mP;
                if (mP < mEnd && *mP == '\n')
                    ++mP;
                break;
            case ']':
                if (at("]]>"))
                    return fail(u"']]>' in text"_s);
                if (out)
                    out->append(']');
                ++mP;
                break;
            default: // '<'
                if (at("<![CDATA[")) {
                    mP += 9;
                    const char *start = mP;
                    for (;;) {
                        if (mEnd - mP < 3)
                            return fail(u"unterminated CDATA section"_s);
                        if (mP[0] == ']' && mP[1] == ']' && mP[2] == '>')
                            break;
                        ++mP;
                    }
                    if (out) {
                        for (const char *q = start; q < mP; ++q) {
                            if (*q == '\r') {
                                out->append('\n');
                                if (q + 1 < mP && q[1] == '\n')
                                    ++q;
                            } else {
                                out->append(*q);
                            }
                        }
                    }
                    mP += 3;
                } else if (at("<!--")) {
                    if (!comment())
                        return false;
                } else if (at("<?")) {
                    if (!instruction())
                        return false;
                } else {
                    return true;
                }
            }
        }
    }

    // An end tag for the element named name, at mP.
    bool endTag(const char *expected, qsizetype expectedLength)
    {
        if (!at("</"))
            return fail(u"expected an end tag"_s);
        mP += 2;
        const char *n = nullptr;
        qsizetype length = 0;
        if (!name(n, length))
            return false;
        if (length != expectedLength || std::memcmp(n, expected, size_t(length)) != 0)
            return fail(u"mismatched end tag"_s);
        skipSpace();
        if (mP >= mEnd || *mP != '>')
            return fail(u"malformed end tag"_s);
        ++mP;
        return true;
    }

    // The text of a leaf element whose start tag was read; the common case
    // of one plain run becomes a string without a copy in between.
    bool leafText(const char *tagName, qsizetype tagLength, bool empty, QString &text)
    {
        if (empty)
            return true;
        const char *run = mP;
        while (mP < mEnd) {
            const char c = *mP;
            if (c == '<' || c == '&' || c == '\r' || c == ']')
                break;
            ++mP;
        }
        if (mP < mEnd && *mP == '<' && mP + 1 < mEnd && mP[1] == '/') {
            if (mP != run)
                text = toString(run, mP - run);
            return endTag(tagName, tagLength);
        }
        mP = run;
        QByteArray bytes;
        if (!content(&bytes))
            return false;
        if (!at("</"))
            return fail(u"unexpected element inside a value"_s);
        if (!endTag(tagName, tagLength))
            return false;
        if (!bytes.isEmpty() || mP != run)
            text = toString(bytes.constData(), bytes.size());
        return true;
    }

    bool canTakeValue()
    {
        if (mStack.empty()) {
            if (mRoot)
                return fail(u"more than one root value"_s);
            return true;
        }
        const Frame &top = mStack.back();
        if (top.kind == Kind::Dict && !top.hasKey)
            return fail(u"a value in a dict without a key"_s);
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

    // The root element and everything in it.
    bool elements()
    {
        bool plistOpen = false;
        bool seenPlist = false;
        for (;;) {
            // mP is at '<' of a tag.
            if (at("</")) {
                if (!mStack.empty()) {
                    const bool isArray = mStack.back().kind == Kind::Array;
                    if (!endTag(isArray ? "array" : "dict", isArray ? 5 : 4))
                        return false;
                    Frame frame = std::move(mStack.back());
                    mStack.pop_back();
                    if (frame.kind == Kind::Dict && frame.hasKey)
                        return fail(u"missing value for key '%1'"_s.arg(frame.key.left(40)));
                    addValue(frame.kind == Kind::Array ? QVariant(std::move(frame.array))
                                                       : QVariant::fromValue(frame.dict));
                } else if (plistOpen) {
                    if (!endTag("plist", 5))
                        return false;
                    plistOpen = false;
                } else {
                    return fail(u"unexpected end tag"_s);
                }
            } else {
                ++mP;
                const char *n = nullptr;
                qsizetype length = 0;
                if (!name(n, length))
                    return false;
                bool empty = false;
                if (!attributes(empty))
                    return false;
                if (!startElement(tagOf(n, length), n, length, empty, plistOpen, seenPlist))
                    return false;
            }
            if (mStack.empty() && !plistOpen)
                return true; // the root element is closed
            if (!content(nullptr))
                return false;
        }
    }

    bool startElement(Tag tag, const char *n, qsizetype length, bool empty, bool &plistOpen,
                      bool &seenPlist)
    {
        switch (tag) {
        case Tag::Plist:
            if (seenPlist || !mStack.empty() || mRoot)
                return fail(u"unexpected <plist>"_s);
            seenPlist = true;
            plistOpen = !empty;
            return true;
        case Tag::Array:
        case Tag::Dict:
            if (!canTakeValue())
                return false;
            if (int(mStack.size()) >= PropertyList::MaximumDepth)
                return fail(u"nested too deeply"_s);
            if (empty) {
                addValue(tag == Tag::Array ? QVariant(QVariantList())
                                           : QVariant::fromValue(PropertyList::Dictionary()));
            } else {
                mStack.push_back(Frame{tag == Tag::Array ? Kind::Array : Kind::Dict, {}, {}, {}, false});
            }
            return true;
        case Tag::Key: {
            if (mStack.empty() || mStack.back().kind != Kind::Dict || mStack.back().hasKey)
                return fail(u"unexpected <key>"_s);
            QString key;
            if (!leafText(n, length, empty, key))
                return false;
            mStack.back().key = std::move(key);
            mStack.back().hasKey = true;
            return true;
        }
        case Tag::Other:
            return fail(u"unknown element <%1>"_s.arg(QString::fromUtf8(n, length)));
        default:
            break;
        }
        if (!canTakeValue())
            return false;
        QString text;
        if (!leafText(n, length, empty, text))
            return false;
        switch (tag) {
        case Tag::String:
            addValue(QVariant(std::move(text)));
            return true;
        case Tag::Date:
            if (auto date = parseDate(text)) {
                addValue(QVariant(*date));
                return true;
            }
            return fail(u"malformed date '%1'"_s.arg(text.left(40)));
        case Tag::Integer:
            if (auto value = parseInteger(text)) {
                addValue(std::move(*value));
                return true;
            }
            return fail(u"malformed integer '%1'"_s.arg(text.left(40)));
        case Tag::Real:
            if (auto real = parseReal(text)) {
                addValue(QVariant(*real));
                return true;
            }
            return fail(u"malformed real '%1'"_s.arg(text.left(40)));
        case Tag::True:
        case Tag::False:
            addValue(QVariant(tag == Tag::True));
            return true;
        default: // data
            addValue(QVariant(QByteArray::fromBase64(text.toLatin1())));
            return true;
        }
    }

    const char *mBegin;
    const char *mP;
    const char *mEnd;
    std::vector<Frame> mStack;
    std::optional<QVariant> mRoot;
    QString mError;
};

} // namespace

} // namespace platform::plist

namespace platform {

// The reader lives here, straight over the document's bytes.
std::optional<QVariant> PropertyList::parse(const QByteArray &document, QString *error)
{
    return plist::Scanner(document.data(), document.data() + document.size()).run(error);
}

} // namespace platform
