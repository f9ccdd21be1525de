// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/ReminderService.h"

#include "platform/core/Clock.h"
#include "platform/core/FileLock.h"
#include "platform/core/FileLockWatch.h"
#include "platform/core/Log.h"
#include "platform/core/Logging.h"
#include "platform/core/PrivateFiles.h"
#include "platform/desktop/DesktopNotifications.h"
#include "platform/desktop/LauncherEntry.h"
#include "platform/reminders/ReminderCenter.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QTimer>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

const QString notificationService = u"org.freedesktop.Notifications"_s;
const QString login = u"org.freedesktop.login1"_s;
const QString loginPath = u"/org/freedesktop/login1"_s;
const QString loginManager = u"org.freedesktop.login1.Manager"_s;
// logind answers at once or not at all; a reminder does not wait longer.
constexpr int inhibitCallTimeoutMs = 1000;

} // namespace

ReminderService::ReminderService(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , mBus(bus)
    , mNotifications(new DesktopNotifications(bus, this))
    , mRetry(new QTimer(this))
    , mProgram(defaultApplicationPath())
{
    connect(mNotifications, &DesktopNotifications::answered, this, &ReminderService::answer);
    connect(mNotifications, &DesktopNotifications::closed, this,
            [this](const QString &key) { mShown.remove(key); });
    connect(mNotifications, &DesktopNotifications::failed, this, &ReminderService::showFailed);
    // On the screen or failed: the device may sleep again.
    connect(mNotifications, &DesktopNotifications::shown, this,
            [this](const QString &key) { mInhibitors.remove(key); });
    connect(mNotifications, &DesktopNotifications::failed, this,
            [this](const QString &key) { mInhibitors.remove(key); });
    mRetry->setSingleShot(true);
    connect(mRetry, &QTimer::timeout, this, [this] {
        mShowFailedAt = {};
        if (mCenter)
            mCenter->scheduleCheck();
    });
    // A notification service that appears takes what waited for it; no asking.
    auto *names = new QDBusServiceWatcher(notificationService, mBus,
                                          QDBusServiceWatcher::WatchForRegistration, this);
    connect(names, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (mCenter && mSaidUnavailable)
            mCenter->scheduleCheck();
    });
}

ReminderService::~ReminderService() = default;

bool ReminderService::start()
{
    // Watched before anything in it is opened (which would make it again),
    // so that it going is heard at whatever moment; gone already, there is
    // nothing to deliver.
    pauseForTests("start");
    if (!watchDataFolder()) {
        log("The data folder %@ is gone; velkari-reminders ends.", dataFolder());
        return false;
    }
    pauseForTests("watching");
    mLock = std::make_unique<FileLock>(reminderServiceLockPath());
    if (!mLock->lock(false)) {
        qCInfo(lcReminders, "Another velkari-reminders already runs for this data folder.");
        return false;
    }
    mLock->recordHolder();
    mLockIdentity = lockFileIdentity();
    mCenter = std::make_unique<ReminderCenter>();
    pauseForTests("read");
    mCenter->setFiringAllowed([this] {
        // Not heard of yet, perhaps, but gone (or made again): nothing is
        // fired, nor written into a folder of the same name.
        if (lockFileIdentity() != mLockIdentity) {
            dataFolderWentAway(dataFolder());
            return false;
        }
        const bool waiting =
            mShowFailedAt.isValid() && mShowFailedAt.msecsTo(Clock::now()) < mRetryDelayMs;
        if (waiting)
            return false;
        if (applicationIsRunning()) {
            watchApplication();
            return false;
        }
        return notificationsAvailable();
    });
    connect(mCenter.get(), &ReminderCenter::reminderFired, this, &ReminderService::onFired);
    // After a resume, what came due while asleep is fired now.
    if (mSystemBus.isConnected())
        mSystemBus.connect(login, loginPath, loginManager, u"PrepareForSleep"_s, this,
                           SLOT(onPrepareForSleep(bool)));
    mCenter->start();
    return true;
}

bool ReminderService::isRunning()
{
    return FileLock::isHeld(reminderServiceLockPath());
}

QString ReminderService::defaultApplicationPath()
{
    return QCoreApplication::applicationDirPath() + u"/velkari"_s;
}

void ReminderService::setApplicationCommand(const QString &program, const QStringList &arguments)
{
    mProgram = program;
    mArguments = arguments;
}

bool ReminderService::applicationIsRunning() const
{
    return FileLock::isHeld(applicationLockPath());
}

bool ReminderService::notificationsAvailable()
{
    bool available = false;
    if (QDBusConnectionInterface *bus = mBus.isConnected() ? mBus.interface() : nullptr) {
        available = bus->isServiceRegistered(notificationService).value();
        if (!available) {
            const QDBusReply<QStringList> activatable = bus->call(u"ListActivatableNames"_s);
            available = activatable.isValid() && activatable.value().contains(notificationService);
        }
    }
    // Said once, and the reminders stay registered for the app to deliver.
    if (!available && !mSaidUnavailable)
        log("No desktop notification service on the session bus: reminders cannot be shown "
            "while Velkari is closed; they stay registered for the app.");
    mSaidUnavailable = !available;
    return available;
}

void ReminderService::onFired(const Reminder &reminder)
{
    LauncherEntry::publish(mBus, reminder.applicationIconBadgeNumber);
    if (!mSystemBus.isConnected()) {
        show(reminder, {});
        return;
    }
    // Awake until the notification is shown: a delay inhibitor for sleep,
    // asked for without blocking; no answer in time, and it is shown anyway.
    QDBusMessage call =
        QDBusMessage::createMethodCall(login, loginPath, loginManager, u"Inhibit"_s);
    call << u"sleep"_s << u"Velkari"_s << u"Delivering a reminder"_s << u"delay"_s;
    auto *watcher =
        new QDBusPendingCallWatcher(mSystemBus.asyncCall(call, inhibitCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, reminder](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
                show(reminder, reply.isValid() ? reply.value() : QDBusUnixFileDescriptor());
            });
}

void ReminderService::show(const Reminder &reminder, const QDBusUnixFileDescriptor &inhibitor)
{
    const QString key = mNotifications->showReminder(reminder);
    mShown.insert(key, reminder);
    holdAwake(key, inhibitor);
}

void ReminderService::holdAwake(const QString &key, const QDBusUnixFileDescriptor &inhibitor)
{
    if (!inhibitor.isValid())
        return;
    mInhibitors.insert(key, inhibitor);
    QTimer::singleShot(mInhibitLimitMs, this, [this, key] { mInhibitors.remove(key); });
}

void ReminderService::onPrepareForSleep(bool sleeping)
{
    if (!sleeping && mCenter)
        mCenter->scheduleCheck();
}

void ReminderService::answer(const QString &key, const QString &activationToken)
{
    const auto shown = mShown.constFind(key);
    if (shown == mShown.cend())
        return;
    QProcess app;
    app.setProgram(mProgram);
    app.setArguments(mArguments + QStringList{reminderLaunchArgument(*shown)});
    mShown.remove(key);
    // The notification server's token lets the app's window take the focus:
    // XDG_ACTIVATION_TOKEN on Wayland, DESKTOP_STARTUP_ID on X11 (where
    // Plasma sends a startup id in its place). Ours, if any, is long spent.
    app.setProcessEnvironment(startEnvironment(activationToken));
    if (!app.startDetached())
        log("Cannot start %@", mProgram);
}

void ReminderService::showFailed(const QString &key, const QString &reason)
{
    const auto shown = mShown.constFind(key);
    if (shown == mShown.cend())
        return;
    // Not shown is not delivered: it goes back, once, for the app (or a
    // later try) to deliver.
    log("Cannot show a reminder (%@); it is kept for Velkari.", reason);
    Reminder again = *shown;
    mShown.remove(key);
    again.repeatInterval = CalendarUnit::None;
    again.fireDate = Clock::now();
    mShowFailedAt = Clock::now();
    mRetry->start(mRetryDelayMs);
    mCenter->scheduleLocalNotification(again);
}

void ReminderService::watchApplication()
{
    if (mAppWatch)
        return;
    // Told when the app lets go of its lock (also by crashing), so that
    // nobody wakes while the app runs.
    mAppWatch = new FileLockWatch(applicationLockPath(), this);
    connect(mAppWatch, &FileLockWatch::released, this, &ReminderService::applicationGone);
}

void ReminderService::applicationGone()
{
    if (mAppWatch)
        mAppWatch->deleteLater();
    mAppWatch = nullptr;
    // What the app left is ours now.
    if (mCenter)
        mCenter->scheduleCheck();
}

QString ReminderService::dataFolder()
{
    return QFileInfo(reminderServiceLockPath()).absolutePath();
}

QByteArray ReminderService::lockFileIdentity()
{
    // Device and inode: which file, not what it holds.
    const QByteArray fingerprint = fileFingerprint(reminderServiceLockPath());
    const qsizetype second = fingerprint.indexOf(':', fingerprint.indexOf(':') + 1);
    return second < 0 ? fingerprint : fingerprint.left(second);
}

bool ReminderService::watchDataFolder()
{
    // The registry lies in the same folder: what the app registers while it
    // runs sets the wake alarm here, with nothing asked on a timer.
    const QString folder = dataFolder();
    mFolderWatch = new QFileSystemWatcher(this);
    if (!mFolderWatch->addPath(folder))
        return false;
    connect(mFolderWatch, &QFileSystemWatcher::directoryChanged, this, [this, folder] {
        // Gone, even when something made it again since: this one's lock and
        // registry went with the old one. The folder's own deletion is told
        // only once nothing in it is open, and the service keeps its lock
        // file open: that file's deletion, told at once, says it.
        if (!mFolderWatch->directories().contains(folder) ||
            (mLock && lockFileIdentity() != mLockIdentity)) {
            dataFolderWentAway(folder);
            return;
        }
        if (mCenter)
            mCenter->scheduleCheck();
    });
    return true;
}

void ReminderService::dataFolderWentAway(const QString &folder)
{
    if (mDataFolderGone)
        return;
    mDataFolderGone = true;
    log("The data folder %@ is gone; velkari-reminders ends.", folder);
    // What it held is not written again into a folder of the same name.
    if (mCenter)
        mCenter->abandon();
    mRetry->stop();
    Q_EMIT dataFolderGone();
}

void ReminderService::pauseForTests(const char *moment)
{
    // Tests stop the service at a moment of its start (SIGSTOP) to change
    // the world there; nobody else sets this.
    static const QByteArray pauseAt = qgetenv("VELKARI_REMINDERS_PAUSE_AT");
    if (!pauseAt.isEmpty() && pauseAt == moment)
        ::raise(SIGSTOP);
}

} // namespace platform
