// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace platform {

// Says once when the lock on a file that another process holds is let go,
// also by that process ending or crashing, without a thread and without
// asking on a timer: the system reports every close of the file (inotify),
// and each is followed by a try of the lock on a descriptor kept open, so
// that the try itself closes nothing. A process that ends is reported
// closing its files a moment before its locks go; so the holder that wrote
// its process id into the file (FileLock::recordHolder) is also watched
// ending (pidfd), which is told once its locks are gone.
class FileLockWatch : public QObject {
    Q_OBJECT

public:
    explicit FileLockWatch(const QString &path, QObject *parent = nullptr);
    ~FileLockWatch() override;

    // Whether closes of the file are heard (it exists, inotify is at hand).
    bool isWatching() const { return mNotifier != nullptr; }
    // Waits here, without an event loop, until released() or the deadline;
    // whether it was released. Only where the event loop has ended (quit).
    bool waitForReleased(QDeadlineTimer deadline);

    // Lets a watcher hear that this process let go of its lock on the file
    // (it hears closes, not unlocks): opens and closes the file once.
    static void announceRelease(const QString &path);

Q_SIGNALS:
    // The lock is free (or the file cannot be watched: nobody holds it then).
    void released();

private:
    void check();
    void stop();
    // Watches the process whose id the file holds now, if another.
    void followHolder();
    void holderEnded();
    void stopWatchingHolder();

    int mFile = -1;
    int mEvents = -1;
    QSocketNotifier *mNotifier = nullptr;
    qint64 mHolderPid = 0;
    int mHolder = -1; // pidfd
    QSocketNotifier *mHolderNotifier = nullptr;
    bool mDone = false;
};

} // namespace platform
