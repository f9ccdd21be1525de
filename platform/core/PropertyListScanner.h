// SPDX-License-Identifier: GPL-3.0-or-later
// The XML tokenizer of the property-list reader: the prolog, tags,
// attributes, references, CDATA, comments and instructions, read straight
// over the document's bytes (UTF-8, checked before). Faults are told as
// "line N: reason", the first one only.
#pragma once

#include "platform/core/PropertyListText.h"

#include <QByteArray>
#include <QString>

namespace platform::plist {

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

protected:
    // Keeps the first fault, with its line; false.
    bool fail(const QString &reason);

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
            return fail(QStringLiteral("malformed name"));
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

    // Where a leaf's text from p ends when it holds no markup: the '<' of
    // the end tag that follows, else null.
    const char *plainTextEnd(const char *p) const
    {
        const auto *lt = static_cast<const char *>(std::memchr(p, '<', size_t(mEnd - p)));
        return lt && lt + 1 < mEnd && lt[1] == '/' ? lt : nullptr;
    }

    static bool equals(const char *s, qsizetype n, const char *text, bool caseless = false);
    bool quoted(const char *&start, qsizetype &length);
    bool pseudoAttribute(const char *wanted, const char *&value, qsizetype &length);
    bool requireSpace();

    // The prolog's parts, each at its first byte.
    bool declaration();
    bool comment();
    bool instruction();
    bool doctypeDecl();
    // Comments and instructions may stand between the other parts.
    bool atMisc() const { return at("<!--") || at("<?"); }
    bool misc() { return at("<!--") ? comment() : instruction(); }

    bool skipUndeclaredEntity();
    bool reference(QByteArray *out);
    bool referenceChar(const char *limit, char32_t &cp);
    bool attributes(bool &empty);
    bool content(QByteArray *out);
    bool endTag(const char *expected, qsizetype expectedLength);

    // Leaf texts.
    bool leafText(const char *tagName, qsizetype tagLength, bool empty, QString &text);
    bool decodeText(const char *p, const char *e, QString &out);
    char16_t *decodeInto(const char *p, const char *e, char16_t *d);

    const char *mBegin;
    const char *mP;
    const char *mEnd;
    QString mError;
    // From the prolog: a DTD outside the document, and standalone="yes".
    bool mExternalSubset = false;
    bool mStandalone = false;
};

} // namespace platform::plist
