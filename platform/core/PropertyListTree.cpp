// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/PropertyListTree.h"

#include "platform/core/PropertyListPieces.h"
#include "platform/core/PropertyListValues.h"

#include <iterator>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace platform::plist {

namespace {

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

} // namespace

Result<QVariant> TreeReader::run()
{
    const bool ok = document();
    if (ok && !mRoot)
        fail(u"the document holds no value"_s);
    if (!mError.isEmpty())
        return Error{mError};
    return std::move(*mRoot);
}

bool TreeReader::readPiece(const char *start, const char *stopAt, const std::atomic_bool &cancelled,
                           QVariantList &values, const char *&end)
{
    mP = start;
    mStopAt = stopAt;
    mCancelled = &cancelled;
    mSeenPlist = mPlistOpen = true;
    mStack.push_back(Frame{Kind::Array, 0, false});
    const bool ok = elements() && !cancelled.load(std::memory_order_relaxed);
    end = mP;
    values = std::move(mValues);
    return ok;
}

bool TreeReader::document()
{
    if (at("\xEF\xBB\xBF"))
        mP += 3;
    if (const char *bad = mPieces ? mPieces->firstInvalid(mP, mEnd) : firstInvalid(mP, mEnd)) {
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
        if (atMisc()) {
            if (!misc())
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
        if (!atMisc())
            return fail(u"content after the root element"_s);
        if (!misc())
            return false;
    }
}

bool TreeReader::canTakeValue()
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

template<typename T>
bool TreeReader::addParsed(std::optional<T> &&value, const char *what, const QString &text)
{
    if (!value)
        return fail(u"malformed %1 '%2'"_s.arg(QLatin1StringView(what), text.left(40)));
    addValue(QVariant(std::move(*value)));
    return true;
}

void TreeReader::addValue(QVariant &&value)
{
    if (mStack.empty()) {
        mRoot = std::move(value);
        return;
    }
    mValues.push_back(std::move(value));
    mStack.back().hasKey = false;
}

// The container on top of the stack, made from its waiting children.
QVariant TreeReader::closeFrame()
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
        QVariantList list(std::make_move_iterator(first), std::make_move_iterator(mValues.end()));
        made = variantOf(std::move(list));
    } else {
        PropertyList::Dictionary dict;
        dict.entries.reserve(qsizetype(mValues.end() - first) / 2);
        for (auto it = first; it != mValues.end(); it += 2) {
            dict.entries.append({std::move(*static_cast<QString *>(it->data())), std::move(it[1])});
        }
        made = QVariant::fromValue(dict);
    }
    mValues.erase(first, mValues.end());
    return made;
}

// The root element and everything in it.
bool TreeReader::elements()
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
            } else if (mPieces && mPieces->take(mP, mValues)) {
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
                    return fail(
                        u"missing value for key '%1'"_s.arg(mValues.back().toString().left(40)));
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

bool TreeReader::startElement(Tag tag, const char *n, qsizetype length, bool empty)
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
        return addParsed(parseDate(text), "date", text);
    case Tag::Integer:
        return addParsed(parseInteger(text), "integer", text);
    case Tag::Real:
        return addParsed(parseReal(text), "real", text);
    case Tag::True:
    case Tag::False:
        addValue(QVariant(tag == Tag::True));
        return true;
    default: // data
        addValue(QVariant(QByteArray::fromBase64(text.toLatin1())));
        return true;
    }
}

} // namespace platform::plist
