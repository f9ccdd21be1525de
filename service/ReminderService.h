// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/reminders/Reminder.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>

#include <memory>

class QFileSystemWatcher;
class QTimer;

namespace platform {

class DesktopNotifications;
class FileLock;
class FileLockWatch;
class ReminderCenter;

// The platform's resident reminder service (velkari-reminders): while the
// app is closed it fires the registered reminders at their moment and shows
// each as a desktop notification; answering one starts the app with that
// reminder. While the app runs it stands aside, for the app delivers them.
// Both use the one registry (see ReminderCenter), so a reminder fires once,
// whichever of them holds it.
class ReminderService : public QObject {
    Q_OBJECT

public:
    explicit ReminderService(const QDBusConnection &bus, QObject *parent = nullptr);
    ~ReminderService() override;

    // Becomes the one service of this data folder and starts watching;
    // false (and said in the log) when another one already runs or the
    // folder is gone. From then on dataFolderGone() comes whenever the
    // folder goes, at whatever moment.
    bool start();

    // Whether a service runs for this data folder.
    static bool isRunning();
    // The app beside the service's own program.
    static QString defaultApplicationPath();

    // What answering a notification starts: the program, these arguments,
    // then the reminder's own launch argument.
    void setApplicationCommand(const QString &program, const QStringList &arguments = {});

    ReminderCenter *center() const { return mCenter.get(); }

    // Where logind is (the system bus); without it the device may sleep
    // while a reminder is delivered. Before start().
    void setSystemBus(const QDBusConnection &bus) { mSystemBus = bus; }
    // The longest the device is kept awake for one reminder.
    void setInhibitLimit(int ms) { mInhibitLimitMs = ms; }

    // How long reminders are left alone after one could not be shown.
    void setRetryDelay(int ms) { mRetryDelayMs = ms; }

Q_SIGNALS:
    // The data folder was deleted: nothing is left to deliver.
    void dataFolderGone();

private Q_SLOTS:
    void onPrepareForSleep(bool sleeping);

private:
    void show(const Reminder &reminder, const QDBusUnixFileDescriptor &inhibitor);
    void holdAwake(const QString &key, const QDBusUnixFileDescriptor &inhibitor);
    bool applicationIsRunning() const;
    bool notificationsAvailable();
    void onFired(const Reminder &reminder);
    void answer(const QString &key, const QString &activationToken);
    void watchApplication();
    void applicationGone();
    static QString dataFolder();
    // Which file the service's lock file is now ("missing" when gone).
    static QByteArray lockFileIdentity();
    // Whether the folder is there and watched.
    bool watchDataFolder();
    void dataFolderWentAway(const QString &folder);
    static void pauseForTests(const char *moment);
    void showFailed(const QString &key, const QString &reason);

    QDBusConnection mBus;
    QDBusConnection mSystemBus{QStringLiteral("velkari-no-system-bus")};
    QHash<QString, QDBusUnixFileDescriptor> mInhibitors;
    int mInhibitLimitMs = 10 * 1000;
    std::unique_ptr<FileLock> mLock;
    std::unique_ptr<ReminderCenter> mCenter;
    DesktopNotifications *mNotifications;
    QTimer *mRetry;
    QFileSystemWatcher *mFolderWatch = nullptr;
    FileLockWatch *mAppWatch = nullptr; // while the app runs
    int mRetryDelayMs = 60 * 1000;
    QHash<QString, Reminder> mShown;
    QString mProgram;
    QStringList mArguments;
    // When the last notification could not be shown: the service then waits
    // before it takes the next reminder.
    QDateTime mShowFailedAt;
    bool mSaidUnavailable = false;
    bool mDataFolderGone = false;
    QByteArray mLockIdentity;
};

} // namespace platform
