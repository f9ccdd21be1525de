// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/PropertyListScanner.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace platform::plist {

bool Scanner::fail(const QString &reason)
{
    if (mError.isEmpty()) {
        const qsizetype line = 1 + std::count(mBegin, std::min(mP, mEnd), '\n');
        mError = u"line %1: %2"_s.arg(line).arg(reason);
    }
    return false;
}

// A quoted value; its text between the quotes.
bool Scanner::quoted(const char *&start, qsizetype &length)
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

bool Scanner::pseudoAttribute(const char *wanted, const char *&value, qsizetype &length)
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

bool Scanner::equals(const char *s, qsizetype n, const char *text, bool caseless)
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

bool Scanner::declaration()
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
        mStandalone = equals(value, length, "yes");
    } else if (!mError.isEmpty()) {
        return false;
    }
    skipSpace();
    if (!at("?>"))
        return fail(u"malformed XML declaration"_s);
    mP += 2;
    return true;
}

bool Scanner::comment()
{
    mP += 4;
    for (;;) {
        const char *dash = static_cast<const char *>(std::memchr(mP, '-', size_t(mEnd - mP)));
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

bool Scanner::instruction()
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

bool Scanner::doctypeDecl()
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
    mExternalSubset = spaced && (at("SYSTEM") || at("PUBLIC"));
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
            if (!(isAsciiNameChar(c) || (c >= '0' && c <= '9') ||
                  std::strchr(" \r\n'()+,./:=?;!*#@$_%-", c)) ||
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

bool Scanner::requireSpace()
{
    if (mP >= mEnd || !isSpace(*mP))
        return fail(u"expected white space"_s);
    skipSpace();
    return true;
}

// In an attribute value, a reference to an entity that a DTD outside
// the document may declare is taken as it stands, as other readers
// (QXmlStreamReader, expat) take it; attributes carry no value here.
// Names as QXmlStreamReader scans them; anything else is told as the
// unknown entity or fault it is.
bool Scanner::skipUndeclaredEntity()
{
    if (!mExternalSubset || mStandalone)
        return false;
    const auto nameByte = [](unsigned char c, bool first) {
        if (c >= 0x80 || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
            (c != 0 && std::strchr("_$@\\`{}~", c)))
            return true;
        return first ? c == '^' : (c >= '0' && c <= '9') || c == '.' || c == '-';
    };
    const char *p = mP + 1;
    if (p >= mEnd || !nameByte(uchar(*p), true))
        return false;
    while (++p < mEnd && nameByte(uchar(*p), false)) {
    }
    if (p >= mEnd || *p != ';')
        return false;
    mP = p + 1;
    return true;
}

// A reference at mP ('&'), appended to out (when given) as UTF-8.
bool Scanner::reference(QByteArray *out)
{
    char32_t cp = 0;
    if (!referenceChar(mEnd, cp))
        return false;
    if (out)
        appendUtf8(*out, cp);
    return true;
}

// The character a reference at mP ('&') stands for, its ';' before
// limit; mP then after the ';'.
bool Scanner::referenceChar(const char *limit, char32_t &cp)
{
    ++mP;
    const char *semi = static_cast<const char *>(std::memchr(mP, ';', size_t(limit - mP)));
    if (!semi)
        return fail(u"unterminated reference"_s);
    const char *s = mP;
    const qsizetype n = semi - s;
    if (n > 1 && s[0] == '#') {
        cp = 0;
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
            return fail(
                u"unknown entity '%1'"_s.arg(QString::fromUtf8(s, std::min<qsizetype>(n, 40))));
        cp = char32_t(c);
    }
    mP = semi + 1;
    return true;
}

// Attributes up to and including '>' or "/>"; empty tells which.
bool Scanner::attributes(bool &empty)
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
                if (!skipUndeclaredEntity() && !reference(nullptr))
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
bool Scanner::content(QByteArray *out)
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
            } else if (atMisc()) {
                if (!misc())
                    return false;
            } else {
                return true;
            }
        }
    }
}

// An end tag for the element named name, at mP.
bool Scanner::endTag(const char *expected, qsizetype expectedLength)
{
    // The usual "</name>" in one comparison.
    if (mEnd - mP >= expectedLength + 3 && mP[0] == '<' && mP[1] == '/' &&
        std::memcmp(mP + 2, expected, size_t(expectedLength)) == 0 &&
        mP[2 + expectedLength] == '>') {
        mP += expectedLength + 3;
        return true;
    }
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
bool Scanner::leafText(const char *tagName, qsizetype tagLength, bool empty, QString &text)
{
    if (empty)
        return true;
    const char *run = mP;
    if (const char *lt = plainTextEnd(mP)) {
        // No markup inside: plain text, or references and line ends
        // decoded in one pass.
        if (!needsDecoding(run, lt)) {
            if (lt != run)
                text = toString(run, lt - run);
        } else if (!decodeText(run, lt, text)) {
            return false;
        }
        mP = lt;
        return endTag(tagName, tagLength);
    }
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

// Text without markup, from p to e (a "</" next): references resolved,
// line ends made "\n", written once into its string. The document is
// valid UTF-8 by now.
bool Scanner::decodeText(const char *p, const char *e, QString &out)
{
    QString text(e - p, Qt::Uninitialized);
    char16_t *const begin = reinterpret_cast<char16_t *>(text.data());
    char16_t *const end = decodeInto(p, e, begin);
    if (!end)
        return false;
    if (end - begin == 1 && *begin < 0x80) {
        out = sharedAscii((unsigned char)*begin);
    } else {
        text.resize(end - begin);
        out = std::move(text);
    }
    return true;
}

// The same written to d, room for e - p units there; the end of what
// was written, nullptr on a fault.
char16_t *Scanner::decodeInto(const char *p, const char *e, char16_t *d)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    const auto *end = reinterpret_cast<const unsigned char *>(e);
    auto put = [&d](char32_t cp) {
        if (cp < 0x10000) {
            *d++ = char16_t(cp);
        } else {
            *d++ = QChar::highSurrogate(cp);
            *d++ = QChar::lowSurrogate(cp);
        }
    };
    while (u < end) {
        // Plain ASCII eight bytes at a time.
        while (WordAtATime && end - u >= 8) {
            std::uint64_t word;
            std::memcpy(&word, u, 8);
            if ((word & highBits) || holds(word, '&') || holds(word, '\r') || holds(word, ']'))
                break;
            for (int i = 0; i < 8; ++i)
                d[i] = u[i];
            d += 8;
            u += 8;
        }
        if (u == end)
            break;
        const unsigned char c = *u;
        if (c >= 0x80) {
            if (c < 0xE0) {
                put(char32_t((c & 0x1F) << 6 | (u[1] & 0x3F)));
                u += 2;
            } else if (c < 0xF0) {
                put(char32_t((c & 0x0F) << 12 | (u[1] & 0x3F) << 6 | (u[2] & 0x3F)));
                u += 3;
            } else {
                put(char32_t((c & 0x07) << 18 | (u[1] & 0x3F) << 12 | (u[2] & 0x3F) << 6 |
                             (u[3] & 0x3F)));
                u += 4;
            }
        } else if (c == '&') {
            mP = reinterpret_cast<const char *>(u);
            char32_t cp = 0;
            if (!referenceChar(e, cp))
                return nullptr;
            put(cp);
            u = reinterpret_cast<const unsigned char *>(mP);
        } else if (c == '\r') {
            *d++ = u'\n';
            ++u;
            if (u < end && *u == '\n')
                ++u;
        } else if (c == ']' && end - u >= 3 && u[1] == ']' && u[2] == '>') {
            mP = reinterpret_cast<const char *>(u);
            fail(u"']]>' in text"_s);
            return nullptr;
        } else {
            *d++ = c;
            ++u;
        }
    }
    return d;
}

} // namespace platform::plist
