// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/core/Result.h"

#include <QByteArray>
#include <QString>
#include <QVariantList>

#include <functional>

namespace platform {

// The reminder registry's file as the processes sharing it see it: read and
// written whole, told apart from another process's version by what the
// file system says of it, and repaired without losing anything: a file
// that cannot be read is moved aside under a name nothing has, entries that
// cannot be used are written beside it. Repairs happen only for a reader
// that holds the registry's lock.
class RegistryFile {
public:
    explicit RegistryFile(const QString &path);

    const QString &path() const { return mPath; }

    // Whether the file is another than when last read or written here.
    bool hasChanged() const;
    // Takes the file as it is now for the known one.
    void remember();
    // Makes the next hasChanged() true, for a reading to be taken again.
    void forget() { mKnown.clear(); }

    struct Reading {
        bool problems = false; // found by this reading, to be reported
        bool usable = true;    // false: what usable() took is not to be used
    };
    // Offers each element of the file to usable(), which keeps what it takes
    // and says whether it could. With repair, what cannot be read is kept
    // aside as said above; without, it is only left out.
    Reading read(bool repair, const std::function<bool(const QVariant &element)> &usable);
    // Writes the document in place of the file, unless the registry is
    // unusable; failures go to the log.
    void write(const QByteArray &document);

    QString keptAsidePath() const { return mKeptAside; }
    QString damagedEntriesPath() const { return mDamagedAside; }
    int damagedEntries() const { return mDamagedCount; }
    // Whether the registry may be written, or why not (another user's
    // folder, damage that could not be kept aside).
    Result<void> usable() const
    {
        if (mUnusable.isEmpty())
            return {};
        return Error{mUnusable};
    }

private:
    bool setUnusable(const QString &reason);
    // A name beside the file that nothing has yet.
    QString freeNameBeside(const QString &what) const;
    void keepAside(const QString &error);
    // Whether they were kept.
    bool keepDamaged(const QVariantList &damaged);

    QString mPath;
    QByteArray mKnown;
    QString mKeptAside;
    QString mDamagedAside;
    int mDamagedCount = 0;
    QString mUnusable;
};

} // namespace platform
