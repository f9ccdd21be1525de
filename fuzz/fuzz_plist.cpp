// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the data file's reader and to the QXmlStreamReader
// reading it replaced: both must accept the same inputs and give the same
// tree. Whatever is accepted must survive a write and a read unchanged, as
// the store relies on. Read in pieces on several threads it must give what
// one pass gives, faults included. A break of either aborts, so the fuzzer
// keeps it.
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListValues.h"
#include "tests/support/XmlStreamPropertyList.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    QString referenceError;
    const std::optional<QVariant> value = platform::PropertyList::parse(bytes, &error);
    const std::optional<QVariant> reference =
        platform::parseWithXmlStreamReader(bytes, &referenceError);
    QString piecesError;
    const std::optional<QVariant> inPieces =
        platform::plist::parseInPieces(bytes, 2 + int(size % 3), &piecesError);
    if (inPieces.has_value() != value.has_value() || piecesError != error ||
        (value && platform::PropertyList::serialize(*inPieces) !=
                      platform::PropertyList::serialize(*value))) {
        std::fprintf(stderr, "pieces disagree with one pass: %s / %s\n", qPrintable(piecesError),
                     qPrintable(error));
        std::abort();
    }
    if (value.has_value() != reference.has_value()) {
        std::fprintf(stderr, "readers disagree: ours %s, reference %s\n",
                     value ? "accepts" : qPrintable(error),
                     reference ? "accepts" : qPrintable(referenceError));
        std::abort();
    }
    if (!value)
        return 0;
    const QByteArray written = platform::PropertyList::serialize(*value);
    // Serialized, NaN and NaN compare equal, as they should here.
    if (platform::PropertyList::serialize(*reference) != written) {
        std::fprintf(stderr, "readers give different trees\n");
        std::abort();
    }
    const std::optional<QVariant> again = platform::PropertyList::parse(written);
    if (!again || platform::PropertyList::serialize(*again) != written)
        std::abort();
    return 0;
}
