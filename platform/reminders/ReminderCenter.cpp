// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/reminders/ReminderCenter.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Clock.h"
#include "platform/core/FileLock.h"
#include "platform/core/FileLockWatch.h"
#include "platform/core/Log.h"
#include "platform/core/PropertyList.h"
#include "platform/core/StandardPaths.h"
#include "platform/core/WallClockTimer.h"

#include <QCoreApplication>
#include <QTimeZone>
#include <QUuid>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace platform {

ReminderCenter::ReminderCenter(const QString &registryPath, QObject *parent)
    : QObject(parent)
    , mFile(registryPath)
    , mLock(std::make_unique<FileLock>(lockPath()))
    , mTryAgain(new QTimer(this))
    , mTimer(new WallClockTimer(this))
{
    mTryAgain->setSingleShot(true);
    connect(mTryAgain, &QTimer::timeout, this, &ReminderCenter::onTryAgain);
    connect(mTimer, &WallClockTimer::timeout, this, &ReminderCenter::scheduleCheck);
    connect(Clock::notifier(), &ClockNotifier::changed, this, &ReminderCenter::scheduleCheck);
    if (!useRegistry())
        load(false);
    // The event loop has ended by then: no try again comes from it.
    if (QCoreApplication *application = QCoreApplication::instance()) {
        connect(application, &QCoreApplication::aboutToQuit, this,
                [this] { flush(QDeadlineTimer(QuitDeadlineMs)); });
    }
}

ReminderCenter::~ReminderCenter()
{
    if (!flush(QDeadlineTimer(0)))
        log("%d changes to the reminders are lost: %@ stayed locked", int(mUnwritten.size()),
            mFile.path());
}

bool ReminderCenter::flush(QDeadlineTimer deadline)
{
    while (!mUnwritten.isEmpty() && !mAbandoned) {
        // Watched before the try, so that a let-go between the two is heard.
        // The other process holds it for a reading or a write, not for
        // seconds.
        FileLockWatch released(lockPath());
        if (useRegistry())
            break;
        if (!released.isWatching() || !released.waitForReleased(deadline))
            break;
    }
    // Still unwritten: tried again from the event loop if it runs.
    return mUnwritten.isEmpty() || mAbandoned;
}

void ReminderCenter::abandon()
{
    mAbandoned = true;
    mStarted = false;
    mUnwritten.clear();
    mTryAgain->stop();
    mTimer->stop();
}

QString ReminderCenter::defaultRegistryPath()
{
    return applicationDataDirectory() + u"/Library/Reminders.plist"_s;
}

std::shared_ptr<void> ReminderCenter::useRegistry()
{
    // Nested uses share the outer one's lock and reading.
    if (mAbandoned)
        return nullptr;
    if (mRegistryUses == 0) {
        // Without a lock file (it was refused, said in the log) the registry
        // is used as it is, and load() says whether it may be written.
        if (!mLock->lock(false) && mLock->isOpen()) {
            tryAgainLater();
            return nullptr;
        }
        mTryAgain->setInterval(0);
        if (!mReadLocked || mFile.hasChanged())
            reload(true);
        if (!mReadLocked) {
            mReadLocked = true;
            removeStaleTemporaries(mFile.path());
        }
        if (!mUnwritten.isEmpty()) {
            mUnwritten.clear();
            save();
        }
    }
    ++mRegistryUses;
    return std::shared_ptr<void>(this, [this](void *) {
        if (--mRegistryUses == 0 && mLock->isOpen()) {
            mLock->unlock();
            FileLockWatch::announceRelease(lockPath());
        }
    });
}

QString ReminderCenter::lockPath() const
{
    return mFile.path() + u".lock"_s;
}

void ReminderCenter::tryAgainLater()
{
    if (mAbandoned)
        return;
    // The other process holds the registry for a reading or a write, rarely
    // longer than a parse: soon at first, then less and less often.
    if (mTryAgain->isActive())
        return;
    mTryAgain->start(qBound(5, mTryAgain->interval() * 2, 200));
}

void ReminderCenter::onTryAgain()
{
    if (useRegistry())
        scheduleCheck();
}

void ReminderCenter::reload(bool locked)
{
    load(locked);
    for (const Change &unwritten : std::as_const(mUnwritten))
        apply(unwritten);
}

void ReminderCenter::change(Change change)
{
    // Withdrawing what is gone already (fired, withdrawn) writes nothing.
    if (!apply(change))
        return;
    mUnwritten.append(std::move(change));
    if (useRegistry())
        scheduleCheck();
}

bool ReminderCenter::apply(const Change &change)
{
    if (!change.withdrawn.isEmpty()) {
        return mEntries.removeIf([&change](const Entry &entry) {
            return entry.reminder.identifier == change.withdrawn;
        }) > 0;
    }
    const QString &identifier = change.added.reminder.identifier;
    if (std::any_of(mEntries.cbegin(), mEntries.cend(), [&identifier](const Entry &entry) {
            return entry.reminder.identifier == identifier;
        }))
        return false;
    mEntries.append(change.added);
    return true;
}

void ReminderCenter::scheduleLocalNotification(const Reminder &reminder)
{
    Change added{{reminder, 0, {}, {}}, {}};
    added.added.reminder.identifier = QUuid::createUuid().toString(QUuid::WithoutBraces);
    added.added.reminder.fireDate = reminder.fireDate.toUTC();
    refresh(added.added, QTimeZone::systemTimeZone());
    change(std::move(added));
}

QList<Reminder> ReminderCenter::scheduledLocalNotifications()
{
    const auto registry = useRegistry();
    if (!registry && mFile.hasChanged()) {
        // The file as it stands, with what is not yet written; read again
        // under the lock, where damage may be kept aside.
        reload(false);
        mFile.forget();
    }
    QList<Reminder> reminders;
    reminders.reserve(mEntries.size());
    for (const Entry &entry : mEntries)
        reminders.append(entry.reminder);
    return reminders;
}

void ReminderCenter::cancelLocalNotification(const Reminder &reminder)
{
    if (reminder.identifier.isEmpty())
        return;
    change({{}, reminder.identifier});
}

void ReminderCenter::start()
{
    mStarted = true;
    scheduleCheck();
}

void ReminderCenter::load(bool locked)
{
    QList<Entry> entries;
    const QTimeZone deviceZone = QTimeZone::systemTimeZone();
    const RegistryFile::Reading reading = mFile.read(locked, [&](const QVariant &element) {
        const std::optional<Reminder> reminder = reminderFromDictionary(element);
        if (!reminder || reminder->identifier.isEmpty())
            return false;
        Entry entry{*reminder, 0, {}, {}};
        entry.next =
            qMax<qint64>(0, PropertyList::toMap(element).value(u"nextOccurrence"_s).toLongLong());
        refresh(entry, deviceZone);
        if (!entry.nextFireDate.isValid())
            return false;
        entries.append(entry);
        return true;
    });
    mEntries = reading.usable ? entries : QList<Entry>();
    if (reading.problems)
        Q_EMIT problemsFound();
}

QByteArray ReminderCenter::serialize(const Entry &entry)
{
    QVariantMap map = reminderToDictionary(entry.reminder);
    map.insert(u"nextOccurrence"_s, entry.next);
    return PropertyList::serializeArrayElement(map);
}

void ReminderCenter::save()
{
    // Each entry keeps its part of the file ready, so a change with
    // thousands of reminders registered costs a join, not a rebuild.
    QList<QByteArray> parts;
    parts.reserve(mEntries.size());
    for (Entry &entry : mEntries) {
        if (entry.stored.isEmpty())
            entry.stored = serialize(entry);
        parts.append(entry.stored);
    }
    mFile.write(PropertyList::joinArrayElements(parts));
}

void ReminderCenter::refresh(Entry &entry, const QTimeZone &deviceZone)
{
    entry.nextFireDate =
        occurrence(entry.reminder, entry.next, repeatZone(entry.reminder, deviceZone));
}

void ReminderCenter::scheduleCheck()
{
    if (!mStarted || mCheckPending)
        return;
    mCheckPending = true;
    QMetaObject::invokeMethod(this, &ReminderCenter::check, Qt::QueuedConnection);
}

void ReminderCenter::check()
{
    mCheckPending = false;
    if (mFiringAllowed && !mFiringAllowed()) {
        // Someone else fires now (the app), but its timer cannot wake a
        // sleeping device: the alarm stays armed for the next moment to come.
        if (const auto registry = useRegistry())
            arm(Clock::now());
        return;
    }
    // The registry is let go before anyone hears of the reminder.
    const std::optional<Reminder> fired = [this]() -> std::optional<Reminder> {
        const auto registry = useRegistry();
        if (!registry)
            return std::nullopt; // again once it is free
        const QDateTime now = Clock::now();
        // The zone may have changed since the last look; once per look.
        const QTimeZone deviceZone = QTimeZone::systemTimeZone();
        qsizetype due = -1;
        for (qsizetype i = 0; i < mEntries.size(); ++i) {
            refresh(mEntries[i], deviceZone);
            if (mEntries[i].nextFireDate.isValid() && mEntries[i].nextFireDate <= now &&
                (due < 0 || mEntries[i].nextFireDate < mEntries[due].nextFireDate))
                due = i;
        }
        if (due < 0) {
            arm();
            return std::nullopt;
        }

        const Reminder fired = mEntries[due].reminder;
        const std::optional<qint64> next =
            fired.repeats() ? firstOccurrenceAfter(fired, now, repeatZone(fired, deviceZone))
                            : std::nullopt;
        if (next) {
            Entry &entry = mEntries[due];
            entry.next = *next;
            entry.stored.clear();
            refresh(entry, deviceZone);
        } else {
            // Done, or repeats past what the calendar can hold.
            mEntries.removeAt(due);
        }
        save();
        return fired;
    }();
    if (!fired)
        return;
    // The next due one, if any, waits for the next turn of the event loop.
    scheduleCheck();
    Q_EMIT reminderFired(*fired);
}

void ReminderCenter::arm(const QDateTime &after)
{
    if (Clock::isReplaced()) {
        // Tests move a clock of their own and say so; real time means nothing.
        mTimer->stop();
        return;
    }
    QDateTime earliest;
    for (const Entry &entry : mEntries) {
        if (entry.nextFireDate.isValid() && (!after.isValid() || entry.nextFireDate > after) &&
            (!earliest.isValid() || entry.nextFireDate < earliest))
            earliest = entry.nextFireDate;
    }
    if (earliest.isValid())
        mTimer->start(earliest);
    else
        mTimer->stop();
}

} // namespace platform
