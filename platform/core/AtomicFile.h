// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/core/Result.h"

#include <QByteArray>
#include <QString>

namespace platform {

// Replaces the file at path with bytes so that a crash, a full disk or a
// failing write leaves either the old file or the new one, never a torn one:
// the bytes go to a temporary file beside it, are synced, and the temporary
// file is renamed over the old one. A replaced file keeps its owner's
// permissions and nobody else gets any; a new file is its owner's only. A
// symbolic link is followed unless followLinks is false (then the link itself
// is replaced). A folder or an old file of another user is refused: nothing
// is written through it.
//
// Not QSaveFile: Qt 6.4's commit() reports success after a short write (the
// disk filled up while flushing), which would put a truncated file in place.
Result<void> writeFileAtomically(const QString &path, const QByteArray &bytes,
                                 bool followLinks = true);

// Removes the temporary files a writer killed while writing left beside the
// file (they hold copies of its contents), once they are older than
// minimumAgeSeconds, so that another process's write in progress stays.
// Returns how many went.
int removeStaleTemporaries(const QString &path, int minimumAgeSeconds = 60);

} // namespace platform
