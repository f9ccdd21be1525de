// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the data file's reader and to the QXmlStreamReader
// reading it replaced: both must accept the same inputs and give the same
// tree. Whatever is accepted must survive a write and a read unchanged, as
// the store relies on. Read in pieces on several threads it must give what
// one pass gives, faults included. Bytes that are UTF-8 are fed again in UTF-16 behind a
// byte-order mark, little- and big-endian, their declaration naming UTF-16
// as plistlib's writes do: read as the UTF-8 ones are, faults alike (the
// reference takes UTF-8 only, and has read those). A break of either aborts,
// so the fuzzer keeps it.
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListPieces.h"
#include "tests/support/XmlStreamPropertyList.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

// Whether the trees are the same; serialized, NaN and NaN compare equal, as
// they should here.
template<typename A, typename B> bool same(const A &a, const B &b)
{
    return bool(a) == bool(b) &&
           (!a || platform::PropertyList::serialize(*a) == platform::PropertyList::serialize(*b));
}

// Ours against the reference on the same bytes.
void checkAgainstReference(const QByteArray &bytes, const platform::Result<QVariant> &value)
{
    QString referenceError;
    const std::optional<QVariant> reference =
        platform::parseWithXmlStreamReader(bytes, &referenceError);
    if (value.ok() != reference.has_value()) {
        std::fprintf(stderr, "readers disagree: ours %s, reference %s\n",
                     value ? "accepts" : qPrintable(value.error()),
                     reference ? "accepts" : qPrintable(referenceError));
        std::abort();
    }
    if (!same(value, reference)) {
        std::fprintf(stderr, "readers give different trees\n");
        std::abort();
    }
}

// The document's text in another encoding (UTF-16 behind a byte-order mark),
// the encoding its declaration names made the new one; nullopt when the bytes
// are no text in from or their declaration names another encoding.
std::optional<QByteArray> recoded(const QByteArray &bytes, QStringConverter::Encoding from,
                                  QStringConverter::Encoding to)
{
    // Stateless: a sequence cut short at the end is a fault. A leading
    // byte-order mark is dropped.
    QStringDecoder decode(from, QStringConverter::Flag::Stateless);
    QString text = decode(bytes);
    if (decode.hasError() || !text.isValidUtf16())
        return std::nullopt;
    if (text.startsWith(u"<?xml")) {
        const qsizetype end = text.indexOf(u"?>");
        const QString declaration = text.left(end < 0 ? text.size() : end);
        static const QRegularExpression named(uR"(encoding\s*=\s*(["'])([^"']*)\1)"_s);
        const QRegularExpressionMatch match = named.match(declaration);
        if (match.hasMatch()) {
            // As plistlib: UTF-16 behind either mark, or the one the mark tells.
            const QString name = match.captured(2).toUpper();
            const bool fits =
                from == QStringConverter::Utf8
                    ? name == u"UTF-8"
                    : name == u"UTF-16" ||
                          name == (from == QStringConverter::Utf16LE ? u"UTF-16LE" : u"UTF-16BE");
            if (!fits)
                return std::nullopt;
            text.replace(match.capturedStart(2), match.capturedLength(2),
                         to == QStringConverter::Utf8 ? u"UTF-8"_s : u"UTF-16"_s);
        } else if (declaration.contains(u"encoding"_s)) {
            return std::nullopt;
        }
    }
    QStringEncoder encode(to, to == QStringConverter::Utf8 ? QStringConverter::Flag::Default
                                                           : QStringConverter::Flag::WriteBom);
    return QByteArray(encode(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const platform::Result<QVariant> value = platform::PropertyList::parse(bytes);
    const platform::Result<QVariant> inPieces =
        platform::plist::parseInPieces(bytes, 2 + int(size % 3));
    if (!same(inPieces, value) || inPieces.error() != value.error()) {
        std::fprintf(stderr, "pieces disagree with one pass: %s / %s\n",
                     qPrintable(inPieces.error()), qPrintable(value.error()));
        std::abort();
    }
    const bool little = bytes.startsWith("\xFF\xFE");
    if (little || bytes.startsWith("\xFE\xFF")) {
        // The reference reads UTF-8 only: it gets the same text in UTF-8.
        // Bytes that are no such text are refused.
        const std::optional<QByteArray> utf8 =
            recoded(bytes, little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                    QStringConverter::Utf8);
        if (utf8) {
            checkAgainstReference(*utf8, value);
        } else if (value) {
            std::fprintf(stderr, "accepted as UTF-16, but it is not\n");
            std::abort();
        }
    } else {
        checkAgainstReference(bytes, value);
        for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
            const std::optional<QByteArray> utf16 =
                recoded(bytes, QStringConverter::Utf8, encoding);
            if (!utf16)
                continue;
            const platform::Result<QVariant> fromUtf16 = platform::PropertyList::parse(*utf16);
            if (!same(fromUtf16, value)) {
                std::fprintf(stderr, "UTF-16 read otherwise: %s / %s\n",
                             qPrintable(fromUtf16.error()), qPrintable(value.error()));
                std::abort();
            }
        }
    }
    if (value) {
        const QByteArray written = platform::PropertyList::serialize(*value);
        const platform::Result<QVariant> again = platform::PropertyList::parse(written);
        if (!again || platform::PropertyList::serialize(*again) != written)
            std::abort();
    }
    return 0;
}
