// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/core/Result.h"

#include <QByteArray>
#include <QString>

namespace platform {

// No file of Velkari's comes near this; a larger one (or a link to a
// device) is refused rather than read until memory runs out.
constexpr qint64 MaximumFileSize = qint64(256) * 1024 * 1024;

enum OpenFlag {
    FollowLinks = 0,
    NoFollow = 1, // a symbolic link in the last place is refused
    OwnFile = 2,  // the file and its folder must belong to this user
};

// Opens path for reading without blocking, and only when it is a regular
// file (checked on the opened descriptor, so nothing can be swapped in
// between) no larger than MaximumFileSize. The descriptor is blocking again
// when returned; the caller closes it.
Result<int> openRegularFile(const QString &path, int flags);

// The whole of a file opened as above, never more than MaximumFileSize.
Result<QByteArray> readRegularFile(const QString &path, int flags);

// Whether path (not followed when it is a link) belongs to this user, or
// why not.
Result<void> isOwnedByUser(const QString &path, bool followLinks = true);

// Creates the folder and any missing parents readable by the user only,
// whatever the umask. An existing folder of the user's loses access by
// others; one of another user is refused.
Result<void> makePrivateDirectory(const QString &path);

// This user's id, as the kernel knows it.
uint userId();

// A folder only this user can enter, for sockets and locks: $XDG_RUNTIME_DIR
// when it is theirs, else <temp>/<prefix>-<uid>, made for them and checked
// (someone else may have made it first). Empty when neither can be had.
QString privateRuntimeDirectory(const QString &prefix);

// What is at path now (not followed when it is a link), to tell later
// whether it was replaced (a new inode) or rewritten (another size or time);
// "missing" when nothing is there.
QByteArray fileFingerprint(const QString &path);

// Whether anything is at path, a dangling link too.
bool pathExists(const QString &path);

// Renames from to to, never over something already there: Moved, or
// TargetExists when something is; why not when it failed otherwise.
enum class MoveResult { Moved, TargetExists };
Result<MoveResult> renameNoReplace(const QString &from, const QString &to);

} // namespace platform
