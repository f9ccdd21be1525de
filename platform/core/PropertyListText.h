// SPDX-License-Identifier: GPL-3.0-or-later
// The reader's checks of bytes and characters, and the making of its texts:
// shared by the tokenizer, the tree builder and the record fast path.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace platform::plist {

inline bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Without ':': the format needs no namespaces, and QXmlStreamReader reads
// prefixes its own way.
constexpr bool isAsciiNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// A table: names are read at every tag.
constexpr std::array<bool, 256> nameChars = [] {
    std::array<bool, 256> t{};
    for (int i = 0; i < 256; ++i) {
        const char ch = char(i);
        t[size_t(i)] = isAsciiNameStart(ch) || (ch >= '0' && ch <= '9') || ch == '.' || ch == '-';
    }
    return t;
}();

inline bool isAsciiNameChar(char c)
{
    return nameChars[(unsigned char)c];
}

// Plain runs of text are checked eight bytes at a time, as one 64-bit word:
// the same on every processor. VELKARI_SCALAR_READER reads them byte by
// byte instead, to measure the words against on the machine at hand.
#ifdef VELKARI_SCALAR_READER
constexpr bool WordAtATime = false;
#else
constexpr bool WordAtATime = true;
#endif

constexpr std::uint64_t everyByte = 0x0101010101010101ULL;
constexpr std::uint64_t highBits = 0x8080808080808080ULL;

// Non-zero when one of the eight bytes of word is byte.
inline std::uint64_t holds(std::uint64_t word, char byte)
{
    const std::uint64_t x = word ^ (everyByte * (unsigned char)byte);
    return (x - everyByte) & ~x & highBits;
}

// Whether text holds a byte that needs decoding: a reference, a line end
// to normalise, or what may begin "]]>".
inline bool needsDecoding(const char *p, const char *e)
{
    for (; WordAtATime && e - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (holds(word, '&') | holds(word, '\r') | holds(word, ']'))
            return true;
    }
    for (; p < e; ++p) {
        if (*p == '&' || *p == '\r' || *p == ']')
            return true;
    }
    return false;
}

void appendUtf8(QByteArray &out, char32_t cp);

bool isXmlChar(char32_t cp);

// Strict UTF-8 of characters XML 1.0 allows; nullptr when all are, else the
// first byte that is not.
const char *firstInvalid(const char *p, const char *e);

// A QVariant that takes the value over. A copy would count a reference up
// and the original's down again: two atomic operations per value, which a
// load of many values feels.
template<typename T> QVariant variantOf(T &&value)
{
    QVariant variant{std::decay_t<T>()};
    static_cast<std::decay_t<T> *>(variant.data())->swap(value);
    return variant;
}

// One-character texts (a status, a repeat index) share static data: most
// records hold two of them, and a copy of static data costs nothing.
const QString &sharedAscii(unsigned char c);

// QString::fromUtf8 drops a leading byte-order mark; in a value it is text.
QString toString(const char *utf8, qsizetype n);

} // namespace platform::plist
