// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace platform {

// An advisory lock on a file (flock). The system releases it when the
// holding process ends, also when it crashes, so a lock never outlives its
// holder.
class FileLock {
public:
    // Opens (and creates) the lock file; nothing is locked yet.
    explicit FileLock(const QString &path);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Exclusive; waits for it when wait is true.
    bool lock(bool wait);
    // False when the lock file could not be opened: nothing can be locked.
    bool isOpen() const { return mFd >= 0; }
    void unlock();

    // Writes the holder's process id into the file, for people and tests.
    void recordHolder();

    // Whether some other open file holds the lock now.
    static bool isHeld(const QString &path);
    // The process id a holder recorded, or 0.
    static qint64 holder(const QString &path);

private:
    QString mPath;
    int mFd = -1;
    bool mLocked = false;
};

// Where the processes of the platform meet: the app holds the first while
// it runs, the reminder service the second.
QString applicationLockPath();
QString reminderServiceLockPath();

} // namespace platform
