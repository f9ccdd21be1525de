// SPDX-License-Identifier: GPL-3.0-or-later
// The record fast path: a store is a root array of records, each an array of
// a few strings and dates. Read in one stride, a store of 1,000 records takes
// about two thirds of the time the general reading of its elements takes.
#include "platform/core/PropertyListTree.h"
#include "platform/core/PropertyListValues.h"

#include <QVarLengthArray>

#include <string_view>

namespace platform::plist {

// An element of the root array in the shape of a store's record: an
// array of strings and dates, each in its own tags, only white space
// between them. Read straight into its list; anything else (or a fault)
// leaves mP where it was for the general reading, which gives the same
// values and finds the same faults.
bool TreeReader::plainRecord()
{
    constexpr std::string_view open = "<array>", close = "</array>";
    constexpr std::string_view string = "<string>", endString = "</string>";
    constexpr std::string_view date = "<date>", endDate = "</date>";
    const auto startsWith = [this](const char *p, std::string_view s) {
        return size_t(mEnd - p) >= s.size() && std::memcmp(p, s.data(), s.size()) == 0;
    };
    if (!startsWith(mP, open))
        return false;
    // Where each value's text is, and whether it is decoded into a string
    // of its own.
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
        // One character is shared static data unless it needs decoding.
        const bool ownText = isString && n > 0 && (n > 1 || needsDecoding(text, lt));
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
            values.emplaceBack(toString(text.begin, text.end - text.begin));
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

} // namespace platform::plist
