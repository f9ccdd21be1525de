// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/PropertyListText.h"

namespace platform::plist {

namespace {

// The high bit of each byte of word that is zero, exactly (no borrow
// from a neighbour).
std::uint64_t zeroBytes(std::uint64_t word)
{
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
    return ~(((word & low7) + low7) | word) & highBits;
}

// Whether all eight bytes are ASCII characters XML allows: no byte above
// 0x7F, none below 0x20 but tab, line feed and carriage return.
bool plainWord(std::uint64_t word)
{
    if (word & highBits)
        return false;
    const std::uint64_t control = ~((word | highBits) - 0x20 * everyByte) & highBits;
    if (!control)
        return true;
    const std::uint64_t allowed = zeroBytes(word ^ (everyByte * '\t')) |
                                  zeroBytes(word ^ (everyByte * '\n')) |
                                  zeroBytes(word ^ (everyByte * '\r'));
    return (control & ~allowed) == 0;
}

} // namespace

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
        // Eight bytes at a time while none is a control character or
        // outside ASCII: the bulk of any store.
        while (WordAtATime && end - u >= 8) {
            std::uint64_t word;
            std::memcpy(&word, u, 8);
            if (!plainWord(word))
                break;
            u += 8;
        }
        if (u == end)
            break;
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

// One-character texts (a status, a repeat index) share static data: most
// records hold two of them, and a copy of static data costs nothing.
const QString &sharedAscii(unsigned char c)
{
    static char16_t storage[128][2];
    static const std::array<QString, 128> table = [] {
        std::array<QString, 128> strings;
        for (int i = 0; i < 128; ++i) {
            storage[i][0] = char16_t(i);
            strings[size_t(i)] =
                QString::fromRawData(reinterpret_cast<const QChar *>(storage[i]), 1);
        }
        return strings;
    }();
    return table[c];
}

// QString::fromUtf8 drops a leading byte-order mark; in a value it is text.
QString toString(const char *utf8, qsizetype n)
{
    if (n == 1 && (unsigned char)*utf8 < 0x80)
        return sharedAscii((unsigned char)*utf8);
    if (n >= 3 && std::memcmp(utf8, "\xEF\xBB\xBF", 3) == 0)
        return QChar(0xFEFF) + QString::fromUtf8(utf8, n); // drops just the first
    return QString::fromUtf8(utf8, n);
}

} // namespace platform::plist
