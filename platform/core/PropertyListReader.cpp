// SPDX-License-Identifier: GPL-3.0-or-later
// The property-list reader, by job:
//
//   PropertyListReader.cpp   PropertyList::parse: a UTF-16 document becomes
//                            UTF-8, then the builder reads it, a large one
//                            with pieces
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
#include "platform/core/PropertyListTree.h"

#include <QRegularExpression>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

// XML allows UTF-16 only behind a byte-order mark; such a document becomes
// the UTF-8 one the reader reads, its declaration saying so. Refused when it
// is no well-formed UTF-16 or declares an encoding other than UTF-16 or the
// one its mark tells.
Result<QByteArray> utf8FromUtf16(const QByteArray &document)
{
    const bool little = document.startsWith("\xFF\xFE");
    QStringDecoder decode(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                          QStringConverter::Flag::Stateless);
    QString text = decode(QByteArrayView(document).sliced(2));
    // The decoder lets a lone surrogate through; it is no character.
    if (decode.hasError() || document.size() % 2 != 0 || !text.isValidUtf16())
        return Error{u"not UTF-16"_s};
    if (text.startsWith(u"<?xml")) {
        static const QRegularExpression encoding(
            uR"(^(<\?xml[^>]*?\sencoding\s*=\s*)(["'])([^"']*)\2)"_s);
        const QRegularExpressionMatch match = encoding.match(text);
        if (match.hasMatch()) {
            // UTF-16 behind either mark, or the one the mark tells, as plistlib.
            const QString name = match.captured(3).toUpper();
            if (name != u"UTF-16" && name != (little ? u"UTF-16LE" : u"UTF-16BE"))
                return Error{u"a UTF-16 document that declares %1"_s.arg(match.captured(3))};
            text.replace(match.capturedStart(3), match.capturedLength(3), u"UTF-8"_s);
        }
    }
    return text.toUtf8();
}

// A UTF-8 document, its root array in up to pieces parts at once; pieces < 0:
// as many as the document's size asks for.
Result<QVariant> readUtf8(const QByteArray &document, int pieces)
{
    if (pieces < 0)
        pieces = plist::piecesFor(document.size());
    const char *begin = document.data();
    const char *end = begin + document.size();
    std::optional<plist::Pieces> split;
    if (pieces > 1) {
        split.emplace(begin, end, pieces,
                      [begin, end](const char *start, const char *stopAt,
                                   const std::atomic_bool &cancelled, QVariantList &values,
                                   const char *&stoppedAt) {
                          return plist::TreeReader(begin, end)
                              .readPiece(start, stopAt, cancelled, values, stoppedAt);
                      });
    }
    return plist::TreeReader(begin, end, split ? &*split : nullptr).run();
}

Result<QVariant> read(const QByteArray &document, int pieces)
{
    if (document.startsWith("\xFF\xFE") || document.startsWith("\xFE\xFF")) {
        const Result<QByteArray> utf8 = utf8FromUtf16(document);
        if (!utf8)
            return Error{utf8.error()};
        return readUtf8(*utf8, pieces);
    }
    return readUtf8(document, pieces);
}

} // namespace

Result<QVariant> PropertyList::parse(const QByteArray &document)
{
    return read(document, -1);
}

Result<QVariant> plist::parseInPieces(const QByteArray &document, int pieces)
{
    return read(document, pieces);
}

} // namespace platform
