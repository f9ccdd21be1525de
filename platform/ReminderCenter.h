#pragma once

#include "Reminder.h"

#include <QList>
#include <QObject>
#include <QString>

namespace platform {

class WallClockTimer;

// The platform's reminder service: keeps the registered reminders in its own
// file, outside Documents, and fires each one at its moment, one at a time,
// oldest first. A reminder that does not repeat leaves the registry when it
// fires; a repeating one goes on at its next occurrence. Reminders whose
// moment passed while nobody was watching (the app was closed, the machine
// slept, the clock was set) fire once, without repeats piling up.
class ReminderCenter : public QObject {
    Q_OBJECT

public:
    // Reads the registry; an unreadable file is kept aside, not lost.
    explicit ReminderCenter(const QString &registryPath = defaultRegistryPath(),
                            QObject *parent = nullptr);
    ~ReminderCenter() override;

    // The center of the running application, or nullptr.
    static ReminderCenter *shared();

    // $XDG_DATA_HOME/Velkari/Library/Reminders.plist
    static QString defaultRegistryPath();

    // Registers a copy of the reminder (the caller keeps nothing).
    void scheduleLocalNotification(const Reminder &reminder);
    // The registered reminders that have yet to fire, in registration order.
    QList<Reminder> scheduledLocalNotifications() const;
    // Withdraws the registered reminder that this copy came from.
    void cancelLocalNotification(const Reminder &reminder);

    // Starts firing. Until then reminders only wait.
    void start();

    QString registryPath() const { return mPath; }
    // Where an unreadable registry was moved to at start, or empty.
    QString keptAsidePath() const { return mKeptAside; }
    // The reason the last write of the registry failed, or empty.
    QString lastError() const { return mLastError; }

Q_SIGNALS:
    // A reminder's moment came. One per turn of the event loop.
    void reminderFired(const platform::Reminder &reminder);

private:
    struct Entry {
        Reminder reminder;
        qint64 next = 0;        // the occurrence to fire next
        QDateTime nextFireDate; // that occurrence's moment
        QByteArray stored;      // its part of the registry file, kept ready
    };

    void load();
    void save();
    void check();
    void scheduleCheck();
    void arm();
    void refresh(Entry &entry);
    static QByteArray serialize(const Entry &entry);

    QString mPath;
    QString mKeptAside;
    QString mLastError;
    QList<Entry> mEntries;
    WallClockTimer *mTimer;
    bool mStarted = false;
    bool mCheckPending = false;
};

} // namespace platform
