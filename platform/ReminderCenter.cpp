#include "ReminderCenter.h"

#include "AtomicFile.h"
#include "Clock.h"
#include "FileLock.h"
#include "Log.h"
#include "PropertyList.h"
#include "StandardPaths.h"
#include "WallClockTimer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <QUuid>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

ReminderCenter *sharedCenter = nullptr;

} // namespace

ReminderCenter::ReminderCenter(const QString &registryPath, QObject *parent)
    : QObject(parent)
    , mPath(registryPath)
    , mLock(std::make_unique<FileLock>(registryPath + u".lock"_s))
    , mTimer(new WallClockTimer(this))
{
    sharedCenter = this;
    connect(mTimer, &WallClockTimer::timeout, this, &ReminderCenter::scheduleCheck);
    connect(Clock::notifier(), &ClockNotifier::changed, this, &ReminderCenter::scheduleCheck);
    const auto registry = useRegistry();
    removeStaleTemporaries(mPath);
}

ReminderCenter::~ReminderCenter()
{
    if (sharedCenter == this)
        sharedCenter = nullptr;
}

ReminderCenter *ReminderCenter::shared()
{
    return sharedCenter;
}

QString ReminderCenter::defaultRegistryPath()
{
    return applicationDataDirectory() + u"/Library/Reminders.plist"_s;
}

std::shared_ptr<void> ReminderCenter::useRegistry()
{
    // Nested uses share the outer one's lock and reading.
    if (mRegistryUses++ == 0) {
        mLock->lock(true);
        const QByteArray before = mKnownFile;
        rememberFile();
        if (before.isNull() || before != mKnownFile)
            load();
    }
    return std::shared_ptr<void>(nullptr, [this](void *) {
        if (--mRegistryUses == 0)
            mLock->unlock();
    });
}

void ReminderCenter::rememberFile()
{
    // A file replaced by a rename is a new inode; one rewritten in place has
    // another size or time.
    struct stat info = {};
    if (::stat(QFile::encodeName(mPath).constData(), &info) != 0) {
        mKnownFile = "missing";
        return;
    }
    mKnownFile = QByteArray::number(qulonglong(info.st_dev)) + ':' +
                 QByteArray::number(qulonglong(info.st_ino)) + ':' +
                 QByteArray::number(qlonglong(info.st_size)) + ':' +
                 QByteArray::number(qlonglong(info.st_mtim.tv_sec)) + '.' +
                 QByteArray::number(qlonglong(info.st_mtim.tv_nsec));
}

void ReminderCenter::scheduleLocalNotification(const Reminder &reminder)
{
    const auto registry = useRegistry();
    Entry entry{reminder, 0, {}, {}};
    entry.reminder.identifier = QUuid::createUuid().toString(QUuid::WithoutBraces);
    entry.reminder.fireDate = reminder.fireDate.toUTC();
    refresh(entry);
    mEntries.append(entry);
    save();
    scheduleCheck();
}

QList<Reminder> ReminderCenter::scheduledLocalNotifications()
{
    const auto registry = useRegistry();
    QList<Reminder> reminders;
    reminders.reserve(mEntries.size());
    for (const Entry &entry : mEntries)
        reminders.append(entry.reminder);
    return reminders;
}

void ReminderCenter::cancelLocalNotification(const Reminder &reminder)
{
    const auto registry = useRegistry();
    const auto removed = mEntries.removeIf([&reminder](const Entry &entry) {
        return entry.reminder.identifier == reminder.identifier;
    });
    if (removed == 0)
        return;
    save();
    scheduleCheck();
}

void ReminderCenter::start()
{
    mStarted = true;
    scheduleCheck();
}

void ReminderCenter::load()
{
    mEntries.clear();
    rememberFile();
    if (!QFileInfo::exists(mPath))
        return;
    QString error;
    const std::optional<QVariantList> list = PropertyList::readArrayFile(mPath, &error);
    if (!list) {
        // Keep the file for whoever can repair it; a fresh registry starts.
        const QString keptAs =
            mPath + u".unreadable-"_s + Clock::now().toString(u"yyyyMMdd'T'HHmmss"_s);
        if (QFile::rename(mPath, keptAs))
            mKeptAside = keptAs;
        rememberFile();
        log("Reminders could not be read from %@ (%@); kept as %@", mPath, error, keptAs);
        return;
    }
    int skipped = 0;
    for (const QVariant &element : *list) {
        const std::optional<Reminder> reminder = reminderFromDictionary(element);
        if (!reminder || reminder->identifier.isEmpty()) {
            ++skipped;
            continue;
        }
        Entry entry{*reminder, 0, {}, {}};
        entry.next =
            qMax<qint64>(0, PropertyList::toMap(element).value(u"nextOccurrence"_s).toLongLong());
        refresh(entry);
        mEntries.append(entry);
    }
    if (skipped > 0)
        log("Skipped %d unreadable reminders in %@", skipped, mPath);
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
    QDir().mkpath(QFileInfo(mPath).absolutePath());
    QString error;
    if (writeFileAtomically(mPath, PropertyList::joinArrayElements(parts), &error)) {
        mLastError.clear();
        rememberFile();
    } else {
        mLastError = error;
        log("Cannot save the reminders to %@: %@", mPath, error);
    }
}

void ReminderCenter::refresh(Entry &entry)
{
    entry.nextFireDate = occurrence(entry.reminder, entry.next, repeatZone(entry.reminder));
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
        mTimer->stop();
        return;
    }
    // The registry is let go before anyone hears of the reminder.
    const std::optional<Reminder> fired = [this]() -> std::optional<Reminder> {
        const auto registry = useRegistry();
        const QDateTime now = Clock::now();
        qsizetype due = -1;
        for (qsizetype i = 0; i < mEntries.size(); ++i) {
            // The zone may have changed since the last look.
            refresh(mEntries[i]);
            if (mEntries[i].nextFireDate <= now &&
                (due < 0 || mEntries[i].nextFireDate < mEntries[due].nextFireDate))
                due = i;
        }
        if (due < 0) {
            arm();
            return std::nullopt;
        }

        const Reminder fired = mEntries[due].reminder;
        if (fired.repeats()) {
            Entry &entry = mEntries[due];
            entry.next =
                firstOccurrenceAfter(fired, now, repeatZone(fired)).value_or(entry.next + 1);
            entry.stored.clear();
            refresh(entry);
        } else {
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

void ReminderCenter::arm()
{
    if (Clock::isReplaced()) {
        // Tests move a clock of their own and say so; real time means nothing.
        mTimer->stop();
        return;
    }
    QDateTime earliest;
    for (const Entry &entry : mEntries) {
        if (!earliest.isValid() || entry.nextFireDate < earliest)
            earliest = entry.nextFireDate;
    }
    if (earliest.isValid())
        mTimer->start(earliest);
    else
        mTimer->stop();
}

} // namespace platform
