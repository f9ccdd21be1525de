// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListValues.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QThread>
#include <QVarLengthArray>

// VELKARI_SCALAR_READER leaves out the vector paths, to measure them
// against the portable one on the same machine.
#if defined(__SSE2__) && !defined(VELKARI_SCALAR_READER)
#define VELKARI_READER_SSE2
#include <emmintrin.h>
#elif defined(__aarch64__) && defined(__ARM_NEON) && !defined(VELKARI_SCALAR_READER)
#define VELKARI_READER_NEON
#include <arm_neon.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <future>
#include <iterator>
#include <memory>
#include <string_view>
#include <system_error>
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

constexpr std::uint64_t everyByte = 0x0101010101010101ULL;
constexpr std::uint64_t highBits = 0x8080808080808080ULL;

// Non-zero when one of the eight bytes of word is byte.
std::uint64_t holds(std::uint64_t word, char byte)
{
    const std::uint64_t x = word ^ (everyByte * (unsigned char)byte);
    return (x - everyByte) & ~x & highBits;
}

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

// Whether text holds a byte that needs decoding: a reference, a line end
// to normalise, or what may begin "]]>".
bool needsDecoding(const char *p, const char *e)
{
    for (; e - p >= 8; p += 8) {
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
        // Sixty-four, sixteen or eight bytes at a time while none is a control
        // character or outside ASCII: the bulk of any store.
#ifdef VELKARI_READER_SSE2
        // Signed: bytes above 0x7F count as below 0x20 too.
        const auto notPlain = [](const unsigned char *at) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
            const __m128i allowed =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('\t')),
                                          _mm_cmpeq_epi8(x, _mm_set1_epi8('\n'))),
                             _mm_cmpeq_epi8(x, _mm_set1_epi8('\r')));
            return _mm_andnot_si128(allowed, _mm_cmplt_epi8(x, _mm_set1_epi8(0x20)));
        };
        while (end - u >= 64) {
            const __m128i any = _mm_or_si128(_mm_or_si128(notPlain(u), notPlain(u + 16)),
                                             _mm_or_si128(notPlain(u + 32), notPlain(u + 48)));
            if (_mm_movemask_epi8(any))
                break;
            u += 64;
        }
        while (end - u >= 16 && !_mm_movemask_epi8(notPlain(u)))
            u += 16;
#elif defined(VELKARI_READER_NEON)
        // Above 0x7F or below 0x20 is 0x60 or more once 0x20 is taken away.
        const auto notPlain = [](const unsigned char *at) {
            const uint8x16_t x = vld1q_u8(at);
            const uint8x16_t allowed =
                vorrq_u8(vorrq_u8(vceqq_u8(x, vdupq_n_u8('\t')), vceqq_u8(x, vdupq_n_u8('\n'))),
                         vceqq_u8(x, vdupq_n_u8('\r')));
            const uint8x16_t outside = vcgeq_u8(vsubq_u8(x, vdupq_n_u8(0x20)), vdupq_n_u8(0x60));
            return vbicq_u8(outside, allowed);
        };
        while (end - u >= 64) {
            const uint8x16_t any = vorrq_u8(vorrq_u8(notPlain(u), notPlain(u + 16)),
                                            vorrq_u8(notPlain(u + 32), notPlain(u + 48)));
            if (vmaxvq_u8(any))
                break;
            u += 64;
        }
        while (end - u >= 16 && !vmaxvq_u8(notPlain(u)))
            u += 16;
#endif
        while (end - u >= 8) {
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

// Short texts met before in the document (a name, a number recurs across
// records) come back as the same shared string: less heap, no conversion.
class ShortTexts {
public:
    static constexpr qsizetype Longest = LongestSharedText;

    // The string, the one met before when there was one; valid until the
    // next call.
    const QString &get(const char *utf8, qsizetype n)
    {
        if (n > Longest || n == 1) {
            mFresh = toString(utf8, n);
            return mFresh;
        }
        if (mSlots.empty())
            mSlots.resize(1024);
        const std::uint64_t h = hash(utf8, n);
        Slot *slot = probe(utf8, n, h);
        if (slot->text)
            return slot->value;
        if (mUsed + 1 >= mSlots.size() / 2) {
            if (mSlots.size() >= MostSlots) {
                mFresh = toString(utf8, n);
                return mFresh;
            }
            grow();
            slot = probe(utf8, n, h);
        }
        *slot = Slot{utf8, n, h, toString(utf8, n)};
        ++mUsed;
        return slot->value;
    }

private:
    static constexpr size_t MostSlots = 16384;

    struct Slot {
        const char *text = nullptr; // in the document
        qsizetype length = 0;
        std::uint64_t hash = 0;
        QString value;
    };

    static std::uint64_t hash(const char *p, qsizetype n)
    {
        std::uint64_t h = std::uint64_t(n) * 0x9E3779B97F4A7C15ULL;
        qsizetype i = 0;
        for (; i + 8 <= n; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            h = (h ^ word) * 0xFF51AFD7ED558CCDULL;
            h ^= h >> 32;
        }
        std::uint64_t word = 0;
        std::memcpy(&word, p + i, size_t(n - i));
        h = (h ^ word) * 0xC4CEB9FE1A85EC53ULL;
        return h ^ (h >> 29);
    }

    void grow()
    {
        std::vector<Slot> old(mSlots.size() * 2);
        old.swap(mSlots);
        const size_t mask = mSlots.size() - 1;
        for (Slot &slot : old) {
            if (!slot.text)
                continue;
            size_t i = size_t(slot.hash) & mask;
            while (mSlots[i].text)
                i = (i + 1) & mask;
            mSlots[i] = std::move(slot);
        }
    }

    // Inline: for these few bytes a call to memcmp costs more than the work.
    static bool same(const char *a, const char *b, qsizetype n)
    {
        qsizetype i = 0;
        for (; i + 8 <= n; i += 8) {
            std::uint64_t x, y;
            std::memcpy(&x, a + i, 8);
            std::memcpy(&y, b + i, 8);
            if (x != y)
                return false;
        }
        for (; i < n; ++i) {
            if (a[i] != b[i])
                return false;
        }
        return true;
    }

    // Its slot, or the empty one where it belongs.
    Slot *probe(const char *utf8, qsizetype n, std::uint64_t h)
    {
        const size_t mask = mSlots.size() - 1;
        for (size_t i = size_t(h) & mask;; i = (i + 1) & mask) {
            Slot &slot = mSlots[i];
            if (!slot.text || (slot.hash == h && slot.length == n && same(slot.text, utf8, n)))
                return &slot;
        }
    }

    std::vector<Slot> mSlots;
    size_t mUsed = 0;
    QString mFresh;
};

enum class Kind { Array, Dict };

// An open array or dict; its children wait in the scanner's value stack
// from first on (a dict's as key, value, key, ...), so that each container
// is made once at its final size.
struct Frame {
    Kind kind;
    qsizetype first;
    bool hasKey;
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
        return is("dict")   ? Tag::Dict
               : is("date") ? Tag::Date
               : is("real") ? Tag::Real
               : is("true") ? Tag::True
               : is("data") ? Tag::Data
                            : Tag::Other;
    case 5:
        return is("plist")   ? Tag::Plist
               : is("array") ? Tag::Array
               : is("false") ? Tag::False
                             : Tag::Other;
    case 6:
        return is("string") ? Tag::String : Tag::Other;
    case 7:
        return is("integer") ? Tag::Integer : Tag::Other;
    default:
        return Tag::Other;
    }
}

// What a piece read: the root array's elements from its start up to end,
// where it stopped between two of them (or at the array's end tag).
struct PieceResult {
    bool ok = false;
    const char *end = nullptr;
    QVariantList values;
};

// A part of a large root array read on another core. It starts where an
// element of the root array begins in the files this format's writers make
// (a line with one tab before the tag) and also checks the UTF-8 from there
// to the next piece. Its values are taken only when the reading from the
// beginning arrives at that very place between two elements of the root
// array; else, or when the piece met a fault, they are dropped and read
// again in order. So the result, faults included, is the one of a single
// pass.
struct Piece {
    const char *start = nullptr;
    const char *next = nullptr; // the next piece's start, or the end
    std::atomic_bool cancelled{false};
    std::promise<const char *> invalid; // the first byte that is no XML character
    std::future<PieceResult> result;    // last: its end waits for the thread
};

class Scanner {
public:
    Scanner(const char *begin, const char *end)
        : mBegin(begin)
        , mP(begin)
        , mEnd(end)
    {
    }

    Scanner(const Scanner &) = delete;
    Scanner &operator=(const Scanner &) = delete;

    ~Scanner()
    {
        for (const auto &piece : mPieces)
            piece->cancelled = true;
        if (!mPieces.empty() && !mValiditySent)
            mAllValid.set_value(false);
    }

    // Starts up to pieces - 1 readers of later parts on other cores.
    void split(int pieces)
    {
        const std::string_view text(mBegin, size_t(mEnd - mBegin));
        size_t from = 0;
        for (int i = 1; i < pieces; ++i) {
            size_t at = std::max(from, text.size() / size_t(pieces) * size_t(i));
            // An element's start tag (not an end tag, comment or instruction).
            for (at = text.find("\n\t<", at); at != text.npos; at = text.find("\n\t<", at + 1)) {
                if (at + 3 < text.size() && isAsciiNameStart(text[at + 3]))
                    break;
            }
            if (at == text.npos)
                break;
            auto piece = std::make_unique<Piece>();
            piece->start = mBegin + at + 2;
            mPieces.push_back(std::move(piece));
            from = at + 3;
        }
        if (mPieces.empty())
            return;
        const std::shared_future<bool> allValid = mAllValid.get_future().share();
        for (size_t i = 0; i < mPieces.size(); ++i) {
            Piece &piece = *mPieces[i];
            piece.next = i + 1 < mPieces.size() ? mPieces[i + 1]->start : mEnd;
            try {
                piece.result =
                    std::async(std::launch::async, [begin = mBegin, end = mEnd, &piece, allValid] {
                        piece.invalid.set_value(firstInvalid(piece.start, piece.next));
                        if (!allValid.get())
                            return PieceResult();
                        Scanner scanner(begin, end);
                        return scanner.readPiece(piece);
                    });
            } catch (const std::system_error &) {
                // No thread to be had: one pass reads it all.
                for (const auto &started : mPieces)
                    started->cancelled = true;
                mAllValid.set_value(false);
                mPieces.clear(); // waits for those that started
                mAllValid = std::promise<bool>();
                return;
            }
        }
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

    // The root array's elements from the piece's start on, in the state the
    // reading from the beginning is in there.
    PieceResult readPiece(const Piece &piece)
    {
        mP = piece.start;
        mStopAt = piece.next;
        mCancelled = &piece.cancelled;
        mSeenPlist = mPlistOpen = true;
        mStack.push_back(Frame{Kind::Array, 0, false});
        PieceResult result;
        result.ok = elements() && !mCancelled->load(std::memory_order_relaxed);
        result.end = mP;
        result.values = std::move(mValues);
        return result;
    }

    // When the reading is where the next piece starts, its values and the
    // place after them; false when the piece cannot be used.
    bool takePiece()
    {
        while (mNextPiece < mPieces.size() && mPieces[mNextPiece]->start < mP)
            mPieces[mNextPiece++]->cancelled = true;
        if (mNextPiece == mPieces.size() || mPieces[mNextPiece]->start != mP)
            return false;
        PieceResult piece = mPieces[mNextPiece++]->result.get();
        if (!piece.ok)
            return false; // read here again, which finds its fault in place
        mValues.append(std::move(piece.values));
        mP = piece.end;
        return true;
    }

    // The first byte of the document that is no XML character, the pieces
    // checking their parts meanwhile.
    const char *firstInvalidByte()
    {
        if (mPieces.empty())
            return firstInvalid(mP, mEnd);
        const char *bad = firstInvalid(mP, mPieces.front()->start);
        for (const auto &piece : mPieces) {
            const char *theirs = piece->invalid.get_future().get();
            if (!bad)
                bad = theirs;
        }
        mAllValid.set_value(!bad);
        mValiditySent = true;
        return bad;
    }

    bool document()
    {
        if (at("\xEF\xBB\xBF"))
            mP += 3;
        if (const char *bad = firstInvalidByte()) {
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

    bool comment()
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

    bool requireSpace()
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
    bool skipUndeclaredEntity()
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
    bool reference(QByteArray *out)
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
    bool referenceChar(const char *limit, char32_t &cp)
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

    // Where a leaf's text from p ends when it holds no markup: the '<' of
    // the end tag that follows, else null.
    const char *plainTextEnd(const char *p) const
    {
        const auto *lt = static_cast<const char *>(std::memchr(p, '<', size_t(mEnd - p)));
        return lt && lt + 1 < mEnd && lt[1] == '/' ? lt : nullptr;
    }

    // The text of a leaf element whose start tag was read; the common case
    // of one plain run becomes a string without a copy in between.
    bool leafText(const char *tagName, qsizetype tagLength, bool empty, QString &text)
    {
        if (empty)
            return true;
        const char *run = mP;
        if (const char *lt = plainTextEnd(mP)) {
            // No markup inside: plain text, or references and line ends
            // decoded in one pass.
            if (!needsDecoding(run, lt)) {
                if (lt != run)
                    text = mShortTexts.get(run, lt - run);
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
    bool decodeText(const char *p, const char *e, QString &out)
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
    char16_t *decodeInto(const char *p, const char *e, char16_t *d)
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
#ifdef VELKARI_READER_SSE2
            // Plain ASCII sixteen bytes at a time, each widened to a unit.
            while (end - u >= 16) {
                const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(u));
                const __m128i special =
                    _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('&')),
                                              _mm_cmpeq_epi8(x, _mm_set1_epi8('\r'))),
                                 _mm_cmpeq_epi8(x, _mm_set1_epi8(']')));
                // The high bit: a special byte, or one outside ASCII.
                if (_mm_movemask_epi8(_mm_or_si128(special, x)))
                    break;
                const __m128i zero = _mm_setzero_si128();
                _mm_storeu_si128(reinterpret_cast<__m128i *>(d), _mm_unpacklo_epi8(x, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(d + 8), _mm_unpackhi_epi8(x, zero));
                d += 16;
                u += 16;
            }
#elif defined(VELKARI_READER_NEON)
            // Plain ASCII sixteen bytes at a time, each widened to a unit.
            while (end - u >= 16) {
                const uint8x16_t x = vld1q_u8(u);
                const uint8x16_t special =
                    vorrq_u8(vorrq_u8(vceqq_u8(x, vdupq_n_u8('&')), vceqq_u8(x, vdupq_n_u8('\r'))),
                             vorrq_u8(vceqq_u8(x, vdupq_n_u8(']')), vcgeq_u8(x, vdupq_n_u8(0x80))));
                if (vmaxvq_u8(special))
                    break;
                vst1q_u16(reinterpret_cast<std::uint16_t *>(d), vmovl_u8(vget_low_u8(x)));
                vst1q_u16(reinterpret_cast<std::uint16_t *>(d + 8), vmovl_high_u8(x));
                d += 16;
                u += 16;
            }
#endif
            // Plain ASCII eight bytes at a time.
            while (end - u >= 8) {
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

    void addValue(QVariant &&value)
    {
        if (mStack.empty()) {
            mRoot = std::move(value);
            return;
        }
        mValues.push_back(std::move(value));
        mStack.back().hasKey = false;
    }

    // The container on top of the stack, made from its waiting children.
    QVariant closeFrame()
    {
        const Frame frame = mStack.back();
        mStack.pop_back();
        if (frame.kind == Kind::Array && frame.first == 0) {
            // The outermost: all there is, its unused room given back (in
            // place, by realloc).
            mValues.squeeze();
            return variantOf(std::exchange(mValues, {}));
        }
        const auto first = mValues.begin() + frame.first;
        QVariant made;
        if (frame.kind == Kind::Array) {
            QVariantList list(std::make_move_iterator(first),
                              std::make_move_iterator(mValues.end()));
            made = variantOf(std::move(list));
        } else {
            PropertyList::Dictionary dict;
            dict.entries.reserve(qsizetype(mValues.end() - first) / 2);
            for (auto it = first; it != mValues.end(); it += 2) {
                dict.entries.append(
                    {std::move(*static_cast<QString *>(it->data())), std::move(it[1])});
            }
            made = QVariant::fromValue(dict);
        }
        mValues.erase(first, mValues.end());
        return made;
    }

    // An element of the root array in the shape of a store's record: an
    // array of strings and dates, each in its own tags, only white space
    // between them. Read straight into its list; anything else (or a fault)
    // leaves mP where it was for the general reading, which gives the same
    // values and finds the same faults.
    bool plainRecord()
    {
        constexpr std::string_view open = "<array>", close = "</array>";
        constexpr std::string_view string = "<string>", endString = "</string>";
        constexpr std::string_view date = "<date>", endDate = "</date>";
        const auto startsWith = [this](const char *p, std::string_view s) {
            return size_t(mEnd - p) >= s.size() && std::memcmp(p, s.data(), s.size()) == 0;
        };
        if (!startsWith(mP, open))
            return false;
        // Where each value's text is; the texts that are neither short (and
        // so maybe met before) nor empty are decoded into their own string.
        struct Text {
            const char *begin;
            const char *end;
            bool isDate;
            bool ownText;
        };
        QVarLengthArray<Text, 16> texts;
        const char *p = mP + open.size();
        for (;;) {
            while (p < mEnd && isSpace(*p))
                ++p;
            if (startsWith(p, close)) {
                p += close.size();
                break;
            }
            const bool isString = startsWith(p, string);
            if (!isString && !startsWith(p, date))
                return false;
            const char *text = p + (isString ? string.size() : date.size());
            const char *lt = plainTextEnd(text);
            const std::string_view end = isString ? endString : endDate;
            if (!lt || !startsWith(lt, end))
                return false;
            const qsizetype n = lt - text;
            const bool ownText =
                isString && n > 0 && (n > ShortTexts::Longest || needsDecoding(text, lt));
            texts.append(Text{text, lt, !isString, ownText});
            p = lt + end.size();
        }
        if (int(mStack.size()) >= PropertyList::MaximumDepth)
            return false;

        // decodeInto moves mP over references, and tells its faults; the
        // general reading meets them again and tells them.
        const auto leave = [&, start = mP] {
            mP = start;
            mError.clear();
            return false;
        };
        // Each value made in its place in the list.
        QVariantList values;
        values.reserve(texts.size());
        for (const Text &text : texts) {
            if (text.isDate) {
                const auto value =
                    parseDate(std::string_view(text.begin, size_t(text.end - text.begin)));
                if (!value)
                    return leave();
                values.emplaceBack(*value);
            } else if (text.begin == text.end) {
                values.emplaceBack(QString());
            } else if (!text.ownText) {
                values.emplaceBack(mShortTexts.get(text.begin, text.end - text.begin));
            } else {
                // Decoded never takes more units than it has bytes.
                QString owned(text.end - text.begin, Qt::Uninitialized);
                char16_t *const begin = reinterpret_cast<char16_t *>(owned.data());
                char16_t *const end = decodeInto(text.begin, text.end, begin);
                if (!end)
                    return leave();
                owned.truncate(end - begin);
                values.emplaceBack(std::move(owned));
            }
        }
        mP = p;
        addValue(variantOf(std::move(values)));
        return true;
    }

    // The root element and everything in it.
    bool elements()
    {
        for (;;) {
            // mP is at '<' of a tag.
            if (mStack.size() == 1 && mStack.front().kind == Kind::Array) {
                // Between two elements of the root array.
                if (mStopAt) {
                    if (mP >= mStopAt || at("</"))
                        return true;
                    if (mCancelled->load(std::memory_order_relaxed))
                        return false;
                } else if (mNextPiece < mPieces.size() && takePiece()) {
                    continue;
                }
                if (plainRecord()) {
                    if (!content(nullptr))
                        return false;
                    continue;
                }
            }
            if (at("</")) {
                if (!mStack.empty()) {
                    const bool isArray = mStack.back().kind == Kind::Array;
                    if (!endTag(isArray ? "array" : "dict", isArray ? 5 : 4))
                        return false;
                    if (mStack.back().kind == Kind::Dict && mStack.back().hasKey)
                        return fail(u"missing value for key '%1'"_s.arg(
                            mValues.back().toString().left(40)));
                    addValue(closeFrame());
                } else if (mPlistOpen) {
                    if (!endTag("plist", 5))
                        return false;
                    mPlistOpen = false;
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
                if (mP < mEnd && *mP == '>') {
                    ++mP; // the common tag: no attributes
                } else if (!attributes(empty)) {
                    return false;
                }
                if (!startElement(tagOf(n, length), n, length, empty))
                    return false;
            }
            if (mStack.empty() && !mPlistOpen)
                return true; // the root element is closed
            if (!content(nullptr))
                return false;
        }
    }

    bool startElement(Tag tag, const char *n, qsizetype length, bool empty)
    {
        switch (tag) {
        case Tag::Plist:
            if (mSeenPlist || !mStack.empty() || mRoot)
                return fail(u"unexpected <plist>"_s);
            mSeenPlist = true;
            mPlistOpen = !empty;
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
                mStack.push_back(
                    Frame{tag == Tag::Array ? Kind::Array : Kind::Dict, mValues.size(), false});
            }
            return true;
        case Tag::Key: {
            if (mStack.empty() || mStack.back().kind != Kind::Dict || mStack.back().hasKey)
                return fail(u"unexpected <key>"_s);
            QString key;
            if (!leafText(n, length, empty, key))
                return false;
            mValues.push_back(variantOf(std::move(key)));
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
        if (tag == Tag::Date && !empty) {
            // The common date, digits and separators only, straight from
            // the bytes.
            if (const char *close = plainTextEnd(mP)) {
                if (auto date = parseDate(std::string_view(mP, size_t(close - mP)))) {
                    mP = close;
                    if (!endTag(n, length))
                        return false;
                    addValue(QVariant(*date));
                    return true;
                }
            }
        }
        QString text;
        if (!leafText(n, length, empty, text))
            return false;
        switch (tag) {
        case Tag::String:
            addValue(variantOf(std::move(text)));
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
    // Values waiting for their container, innermost last (a QList: large
    // ones grow in place, and the outermost array becomes the value as is).
    QVariantList mValues;
    ShortTexts mShortTexts;
    std::optional<QVariant> mRoot;
    QString mError;
    bool mPlistOpen = false;
    bool mSeenPlist = false;
    // From the prolog: a DTD outside the document, and standalone="yes".
    bool mExternalSubset = false;
    bool mStandalone = false;
    // Reading a piece: where it ends, and whether it is still wanted.
    const char *mStopAt = nullptr;
    const std::atomic_bool *mCancelled = nullptr;
    // Reading from the beginning: the pieces, in document order.
    std::vector<std::unique_ptr<Piece>> mPieces;
    size_t mNextPiece = 0;
    std::promise<bool> mAllValid;
    bool mValiditySent = false;
};

} // namespace

} // namespace platform::plist

namespace platform {

namespace plist {

int piecesFor(qsizetype documentSize)
{
    constexpr qsizetype smallestPiece = 256 * 1024;
    return int(std::min<qsizetype>({QThread::idealThreadCount(), documentSize / smallestPiece, 8}));
}

std::optional<QVariant> parseInPieces(const QByteArray &document, int pieces, QString *error)
{
    Scanner scanner(document.data(), document.data() + document.size());
    scanner.split(pieces);
    return scanner.run(error);
}

} // namespace plist

namespace {

// XML allows UTF-16 only behind a byte-order mark; such a document becomes
// the UTF-8 one the reader reads, its declaration saying so. Empty, with the
// reason in error, when it is no well-formed UTF-16 or declares another
// encoding.
QByteArray utf8FromUtf16(const QByteArray &document, QString *error)
{
    const bool little = document.startsWith("\xFF\xFE");
    QStringDecoder decode(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                          QStringConverter::Flag::Stateless);
    const QString text = decode(QByteArrayView(document).sliced(2));
    if (decode.hasError() || document.size() % 2 != 0) {
        if (error)
            *error = u"not UTF-16"_s;
        return {};
    }
    QByteArray utf8 = text.toUtf8();
    if (utf8.startsWith("<?xml")) {
        static const QRegularExpression encoding(
            uR"(^(<\?xml[^>]*?\sencoding\s*=\s*)(["'])([^"']*)\2)"_s);
        const QRegularExpressionMatch match = encoding.match(QString::fromUtf8(utf8.left(256)));
        if (match.hasMatch()) {
            if (match.captured(3).compare(u"UTF-16"_s, Qt::CaseInsensitive) != 0) {
                if (error)
                    *error = u"a UTF-16 document that declares %1"_s.arg(match.captured(3));
                return {};
            }
            utf8.replace(match.capturedStart(3), match.capturedLength(3), "UTF-8");
        }
    }
    return utf8;
}

} // namespace

// The reader lives here, straight over the document's bytes; a large one is
// read by every core.
std::optional<QVariant> PropertyList::parse(const QByteArray &document, QString *error)
{
    if (document.startsWith("\xFF\xFE") || document.startsWith("\xFE\xFF")) {
        const QByteArray utf8 = utf8FromUtf16(document, error);
        if (utf8.isEmpty())
            return std::nullopt;
        return plist::parseInPieces(utf8, plist::piecesFor(utf8.size()), error);
    }
    return plist::parseInPieces(document, plist::piecesFor(document.size()), error);
}

} // namespace platform
