// Feeds arbitrary bytes to the data file's reader. Whatever it accepts must
// survive a write and a read unchanged, as the store relies on; a reading
// that breaks that aborts, so the fuzzer keeps it as a finding.
#include "platform/PropertyList.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QVariant> value = platform::PropertyList::parse(bytes);
    if (!value)
        return 0;
    const QByteArray written = platform::PropertyList::serialize(*value);
    const std::optional<QVariant> again = platform::PropertyList::parse(written);
    if (!again || platform::PropertyList::serialize(*again) != written)
        std::abort();
    return 0;
}
