// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/reminders/RegistryFile.h"
#include "platform/reminders/Reminder.h"

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

namespace platform {

class FileLock;
class WallClockTimer;

// The platform's reminder service: keeps the registered reminders in its own
// file, outside Documents, and fires each one at its moment, one at a time,
// oldest first. A reminder that does not repeat leaves the registry when it
// fires; a repeating one goes on at its next occurrence. Reminders whose
// moment passed while nobody was watching (the app was closed, the machine
// slept, the clock was set) fire once, without repeats piling up.
//
// Several processes may share the registry (the app and the resident
// reminder service): every change, and every firing, happens under a lock
// on the registry and starts from the file as it is on disk, so a reminder
// one of them fired or withdrew is gone for the other too. Nobody waits for
// that lock: while the other process holds it, a change is made in memory
// at once and written when the lock is free (tried again from the event
// loop), and a reading is taken from the file as it stands (it is only ever
// replaced whole). What is still unwritten when the application quits is
// written then, waiting for the lock up to a deadline (see flush()).
class ReminderCenter : public QObject {
    Q_OBJECT

public:
    // Reads the registry; an unreadable file is kept aside, not lost.
    explicit ReminderCenter(const QString &registryPath = defaultRegistryPath(),
                            QObject *parent = nullptr);
    ~ReminderCenter() override;

    // $XDG_DATA_HOME/Velkari/Library/Reminders.plist
    static QString defaultRegistryPath();

    // Registers a copy of the reminder (the caller keeps nothing).
    void scheduleLocalNotification(const Reminder &reminder);
    // The registered reminders that have yet to fire, in registration order.
    QList<Reminder> scheduledLocalNotifications();
    // Withdraws the registered reminder that this copy came from.
    void cancelLocalNotification(const Reminder &reminder);

    // Writes the changes not yet written, waiting (blocked, without an event
    // loop) for the other process to let go of the registry, at most until
    // the deadline; whether nothing is left unwritten. Done by itself when
    // the application quits, within QuitDeadlineMs; what is still unwritten
    // when the center goes is tried once more, without waiting, and what
    // is left then is said in the log.
    bool flush(QDeadlineTimer deadline);
    static constexpr int QuitDeadlineMs = 3000;

    // The registry's folder is gone (deleted): nothing more is fired, read or
    // written, also at quit, so that nothing makes it again.
    void abandon();

    // Starts firing. Until then reminders only wait.
    void start();
    // Looks at the time (and the registry) again soon.
    void scheduleCheck();
    // Fires only while this says so (the service stands aside for the app).
    // While it says no, the timer is still set for the next moment to come,
    // so that a sleeping device wakes for it, but what is due stays.
    void setFiringAllowed(std::function<bool()> allowed) { mFiringAllowed = std::move(allowed); }

    // Where an unreadable registry was moved to at start, or empty.
    QString keptAsidePath() const { return mFile.keptAsidePath(); }
    // Where damaged entries (a moment no calendar holds, ...) were kept, or
    // empty; how many they were.
    QString damagedEntriesPath() const { return mFile.damagedEntriesPath(); }
    int damagedEntries() const { return mFile.damagedEntries(); }
    // Whether the registry is used, or why it is left alone (its folder is
    // another user's, or an unreadable file could not be kept aside).
    // Nothing is written then.
    Result<void> usable() const { return mFile.usable(); }

Q_SIGNALS:
    // A reminder's moment came. One per turn of the event loop.
    void reminderFired(const platform::Reminder &reminder);
    // A reading of the registry kept something aside or found it unusable
    // (see keptAsidePath() and the others).
    void problemsFound();

private:
    struct Entry {
        Reminder reminder;
        qint64 next = 0;        // the occurrence to fire next
        QDateTime nextFireDate; // that occurrence's moment
        QByteArray stored;      // its part of the registry file, kept ready
    };

    // A change not yet written: a reminder to add, or an identifier to
    // withdraw.
    struct Change {
        Entry added;
        QString withdrawn;
    };

    // Takes the registry lock if it is free, reads the file again if another
    // process changed it and writes the changes made meanwhile; the lock is
    // held until the returned guard goes. Null, and another try soon, while
    // someone else holds it.
    std::shared_ptr<void> useRegistry();
    QString lockPath() const;
    void tryAgainLater();
    void onTryAgain();
    void change(Change change);
    // Whether it changed anything.
    bool apply(const Change &change);
    // load(), then the changes not yet written on top.
    void reload(bool locked);
    // Reads the file; only under the lock may it keep anything aside.
    void load(bool locked = true);
    void save();
    void check();
    // Sets the timer for the earliest moment, or the earliest after a time.
    void arm(const QDateTime &after = {});
    // Its next moment again, in the device's zone as looked up by the caller
    // (a stat of /etc/localtime each time).
    void refresh(Entry &entry, const QTimeZone &deviceZone);
    static QByteArray serialize(const Entry &entry);

    RegistryFile mFile;
    std::unique_ptr<FileLock> mLock;
    int mRegistryUses = 0;
    std::function<bool()> mFiringAllowed;
    QList<Entry> mEntries;
    QList<Change> mUnwritten;
    // Whether the file has been read under the lock at least once.
    bool mReadLocked = false;
    QTimer *mTryAgain;
    WallClockTimer *mTimer;
    bool mStarted = false;
    bool mCheckPending = false;
    bool mAbandoned = false;
};

} // namespace platform
