#include "ReminderService.h"

#include "Clock.h"
#include "DesktopNotifications.h"
#include "FileLock.h"
#include "LauncherEntry.h"
#include "Log.h"
#include "ReminderCenter.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QProcess>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

const QString notificationService = u"org.freedesktop.Notifications"_s;

// How often the service looks whether the app has gone.
constexpr int watchIntervalMs = 1000;
// How long it leaves reminders alone after a notification could not be shown.
constexpr qint64 retryAfterSeconds = 60;

} // namespace

ReminderService::ReminderService(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , mBus(bus)
    , mLock(std::make_unique<FileLock>(reminderServiceLockPath()))
    , mNotifications(new DesktopNotifications(bus, this))
    , mWatch(new QTimer(this))
    , mProgram(defaultApplicationPath())
{
    connect(mNotifications, &DesktopNotifications::answered, this, &ReminderService::answer);
    connect(mNotifications, &DesktopNotifications::closed, this,
            [this](const QString &key) { mShown.remove(key); });
    connect(mNotifications, &DesktopNotifications::failed, this, &ReminderService::showFailed);
    mWatch->setInterval(watchIntervalMs);
    connect(mWatch, &QTimer::timeout, this, &ReminderService::watchApplication);
}

ReminderService::~ReminderService() = default;

bool ReminderService::start()
{
    if (!mLock->lock(false))
        return false;
    mLock->recordHolder();
    mCenter = std::make_unique<ReminderCenter>();
    mCenter->setFiringAllowed([this] {
        const bool waiting =
            mShowFailedAt.isValid() && mShowFailedAt.secsTo(Clock::now()) < retryAfterSeconds;
        return !waiting && !applicationIsRunning() && notificationsAvailable();
    });
    connect(mCenter.get(), &ReminderCenter::reminderFired, this, &ReminderService::onFired);
    mApplicationWasRunning = applicationIsRunning();
    mCenter->start();
    mWatch->start();
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
    mShown.insert(mNotifications->showReminder(reminder), reminder);
}

void ReminderService::answer(const QString &key)
{
    const auto shown = mShown.constFind(key);
    if (shown == mShown.cend())
        return;
    const QStringList arguments = mArguments + QStringList{reminderLaunchArgument(*shown)};
    mShown.remove(key);
    if (!QProcess::startDetached(mProgram, arguments))
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
    mCenter->scheduleLocalNotification(again);
}

void ReminderService::watchApplication()
{
    const bool running = applicationIsRunning();
    // The app has gone: what it left is ours now. Without a notification
    // service, look again until one appears.
    if ((mApplicationWasRunning || mSaidUnavailable || mShowFailedAt.isValid()) && !running)
        mCenter->scheduleCheck();
    mApplicationWasRunning = running;
}

} // namespace platform
