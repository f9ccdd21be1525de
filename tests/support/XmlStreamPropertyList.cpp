// SPDX-License-Identifier: GPL-3.0-or-later
#include "XmlStreamPropertyList.h"

#include "platform/core/PropertyListValues.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

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
        // Names are compared whole: "x:dict" is no dict.
        mXml.setNamespaceProcessing(false);
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
            case QXmlStreamReader::StartDocument:
                if (!mXml.documentEncoding().isEmpty() &&
                    mXml.documentEncoding().compare(u"UTF-8"_s, Qt::CaseInsensitive) != 0)
                    fail(u"not UTF-8"_s);
                break;
            case QXmlStreamReader::DTD:
                // As plistlib and the platform's own tools do: a property list
                // has no business declaring entities.
                if (!mXml.entityDeclarations().isEmpty() || hasInternalSubset(mXml.text()))
                    fail(u"entity declarations are not allowed"_s);
                if (mSeenPlist || !mStack.empty() || mRoot || mSeenDoctype)
                    fail(u"misplaced DOCTYPE"_s);
                mSeenDoctype = true;
                if (!isQualifiedName(doctypeName(mXml.text())))
                    fail(u"non-ASCII name"_s);
                break;
            case QXmlStreamReader::ProcessingInstruction:
                if (!isAsciiName(mXml.processingInstructionTarget()))
                    fail(u"non-ASCII name"_s);
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
    // QXmlStreamReader lets nearly anything stand in a name; the format's
    // names are plain ASCII ones, without namespace prefixes.
    static bool isAsciiName(QStringView text)
    {
        if (text.isEmpty())
            return false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            const bool start = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
            const bool other = (c >= u'0' && c <= u'9') || c == u'.' || c == u'-';
            if (!start && (i == 0 || !other))
                return false;
        }
        return true;
    }

    // The name as written: dtdName() reports less than that.
    static QStringView doctypeName(QStringView doctype)
    {
        // The text may begin with the white space before the declaration.
        qsizetype start = doctype.indexOf(u"<!DOCTYPE") + 9;
        while (start < doctype.size() && doctype[start].isSpace())
            ++start;
        qsizetype end = start;
        while (end < doctype.size() && !doctype[end].isSpace() && doctype[end] != u'>' &&
               doctype[end] != u'[')
            ++end;
        return doctype.mid(start, end - start);
    }

    static bool isQualifiedName(QStringView name)
    {
        const qsizetype colon = name.indexOf(u':');
        if (colon < 0)
            return isAsciiName(name);
        return isAsciiName(name.left(colon)) && isAsciiName(name.mid(colon + 1));
    }

    // A '[' outside the quoted identifiers opens declarations of its own.
    static bool hasInternalSubset(QStringView doctype)
    {
        QChar quote;
        for (QChar c : doctype) {
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u'[') {
                return true;
            }
        }
        return false;
    }

    void fail(const QString &reason)
    {
        if (mError.isEmpty())
            mError = u"line %1: %2"_s.arg(mXml.lineNumber()).arg(reason);
    }

    void startElement()
    {
        const QStringView name = mXml.name();
        // name() drops a prefix; "a:dict" is no dict.
        if (!isAsciiName(mXml.qualifiedName()))
            fail(u"non-ASCII name"_s);
        for (const QXmlStreamAttribute &attribute : mXml.attributes()) {
            if (!isAsciiName(attribute.qualifiedName()))
                fail(u"non-ASCII name"_s);
        }
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
            if (auto date = plist::parseDate(text))
                value = QVariant(*date);
            else if (mError.isEmpty())
                fail(u"malformed date '%1'"_s.arg(text.left(40)));
        } else if (name == u"integer") {
            const QString text = elementText();
            value = plist::parseInteger(text);
            if (!value && mError.isEmpty())
                fail(u"malformed integer '%1'"_s.arg(text.left(40)));
        } else if (name == u"real") {
            const QString text = elementText();
            if (auto real = plist::parseReal(text))
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
            case QXmlStreamReader::DTD:
                fail(u"misplaced DOCTYPE"_s);
                return text;
            case QXmlStreamReader::ProcessingInstruction:
                if (!isAsciiName(mXml.processingInstructionTarget()))
                    fail(u"non-ASCII name"_s);
                break;
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
    bool mSeenDoctype = false;
};

} // namespace

std::optional<QVariant> parseWithXmlStreamReader(const QByteArray &document, QString *error)
{
    // Only UTF-8 is read, with no byte out of place.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = utf8(document);
    bool xmlChars = true;
    for (qsizetype i = 0; i < decoded.size() && xmlChars; ++i) {
        const char16_t c = decoded[i].unicode();
        xmlChars = c >= 0x20 ? c != 0xFFFE && c != 0xFFFF : c == u'\t' || c == u'\n' || c == u'\r';
    }
    if (utf8.hasError() || !xmlChars) {
        if (error)
            *error = u"not UTF-8"_s;
        return std::nullopt;
    }
    return Reader(document).run(error);
}

} // namespace platform
