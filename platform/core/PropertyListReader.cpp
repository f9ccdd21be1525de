// SPDX-License-Identifier: GPL-3.0-or-later
// The property-list reader, by job:
//
//   PropertyListReader.cpp   PropertyList::parse: a UTF-16 document becomes
//                            UTF-8, then the builder reads it
//   PropertyListText.*       UTF-8 and XML character checks, names, the
//                            making of texts (shared one-character ones)
//   PropertyListScanner.*    the XML tokenizer: prolog, tags, attributes,
//                            references, CDATA, comments; faults with line
//   PropertyListTree.*       the builder: elements into a tree of values,
//                            each container made once at its final size
//   PropertyListRecords.cpp  the fast path for a store's records
//   PropertyListPieces.*     a large root array read in pieces on every
//                            core, spliced in where the builder arrives
//   PropertyListValues.*     the texts of <date>, <integer> and <real>
//   PropertyList.cpp         the writer, and reading and writing files
//
// Straight over the document's bytes: the whole document is checked as UTF-8
// of XML characters first, so the rest reads bytes. A large one is read by
// every core.
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListPieces.h"

#include <QRegularExpression>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

// XML allows UTF-16 only behind a byte-order mark; such a document becomes
// the UTF-8 one the reader reads, its declaration saying so. Nullopt, with
// the reason in error, when it is no well-formed UTF-16 or declares an
// encoding other than UTF-16 or the one its mark tells.
std::optional<QByteArray> utf8FromUtf16(const QByteArray &document, QString *error)
{
    const bool little = document.startsWith("\xFF\xFE");
    QStringDecoder decode(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                          QStringConverter::Flag::Stateless);
    QString text = decode(QByteArrayView(document).sliced(2));
    if (decode.hasError() || document.size() % 2 != 0) {
        if (error)
            *error = u"not UTF-16"_s;
        return std::nullopt;
    }
    if (text.startsWith(u"<?xml")) {
        static const QRegularExpression encoding(
            uR"(^(<\?xml[^>]*?\sencoding\s*=\s*)(["'])([^"']*)\2)"_s);
        const QRegularExpressionMatch match = encoding.match(text);
        if (match.hasMatch()) {
            // UTF-16 behind either mark, or the one the mark tells, as plistlib.
            const QString name = match.captured(3).toUpper();
            if (name != u"UTF-16" && name != (little ? u"UTF-16LE" : u"UTF-16BE")) {
                if (error)
                    *error = u"a UTF-16 document that declares %1"_s.arg(match.captured(3));
                return std::nullopt;
            }
            text.replace(match.capturedStart(3), match.capturedLength(3), u"UTF-8"_s);
        }
    }
    return text.toUtf8();
}

} // namespace

std::optional<QVariant> PropertyList::parse(const QByteArray &document, QString *error)
{
    if (document.startsWith("\xFF\xFE") || document.startsWith("\xFE\xFF")) {
        const std::optional<QByteArray> utf8 = utf8FromUtf16(document, error);
        if (!utf8)
            return std::nullopt;
        return plist::parseInPieces(*utf8, plist::piecesFor(utf8->size()), error);
    }
    return plist::parseInPieces(document, plist::piecesFor(document.size()), error);
}

} // namespace platform
