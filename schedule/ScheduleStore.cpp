// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/ScheduleStore.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Log.h"
#include "platform/core/Logging.h"
#include "platform/core/PropertyList.h"
#include "platform/core/StandardPaths.h"

#include <QFileInfo>

#include <future>

using namespace Qt::Literals::StringLiterals;
using platform::lcStore;
using platform::log;

namespace velkari {

ScheduleStore::~ScheduleStore()
{
    stopPreparing();
}

void ScheduleStore::stopPreparing()
{
    if (mStopPreparing)
        *mStopPreparing = true;
    if (mPrepared.valid())
        mPrepared.wait();
    mPrepared = {};
}

void ScheduleStore::finishPreparing() const
{
    if (mPrepared.valid())
        mPrepared.wait();
}

ScheduleStore::LoadReport ScheduleStore::LoadData()
{
    LoadReport report;
    log("VelkariViewController Load Data Function");

    QVariantList empty;
    empty.reserve(64);
    mListValue = empty;

    const QString documents = platform::documentsDirectory();
    log("%@", documents);
    mDataPathValue = documents + u'/' + DataFileName;
    platform::removeStaleTemporaries(mDataPathValue);

    if (!QFileInfo::exists(mDataPathValue)) {
        log("Velkari.dat doesn't exist");
        const platform::Result<void> created =
            platform::PropertyList::writeFile(mDataPathValue, QVariant(*mListValue));
        if (created) {
            log("Velkari.dat created successfully");
        } else {
            log("Velkari.dat creation failed");
            qCWarning(lcStore, "%s", qUtf8Printable(created.error()));
            report.creationFailed = true;
            report.error = {created.error()};
        }
    }

    stopPreparing();
    mSavedRecords.clear();
    mSavedBytes.clear();
    platform::Result<QVariantList> read = platform::PropertyList::readArrayFile(mDataPathValue);
    if (read)
        mListValue = std::move(*read);
    else
        mListValue.reset();
    if (mListValue && !mListValue->isEmpty()) {
        // Qt's shared data is safe to read from two threads; the list that
        // the app changes detaches from this copy, which goes with the work.
        mStopPreparing = std::make_shared<std::atomic_bool>(false);
        mPrepared =
            std::async(std::launch::async, [list = *mListValue, stop = mStopPreparing]() mutable {
                const QVariantList records = std::move(list);
                Prepared prepared;
                prepared.records.reserve(size_t(records.size()));
                prepared.bytes.reserve(records.size());
                for (const QVariant &record : records) {
                    if (stop->load(std::memory_order_relaxed))
                        break;
                    keep(record, prepared.records, prepared.bytes);
                }
                return prepared;
            });
    }
    if (!mListValue && !report.creationFailed) {
        // The file is there but is no list: leave it exactly as it is.
        qCWarning(lcStore, "Cannot read %s: %s", qUtf8Printable(mDataPathValue),
                  qUtf8Printable(read.error()));
        report.readFailed = true;
        report.error = {read.error()};
    }

    log("%d", count());
    return report;
}

ScheduleStore::SaveResult ScheduleStore::SaveData() const
{
    if (!mListValue)
        return {SaveStatus::NoList, {}};
    const platform::Result<void> written =
        platform::writeFileAtomically(mDataPathValue, document());
    if (!written) {
        qCWarning(lcStore, "Cannot save %s: %s", qUtf8Printable(mDataPathValue),
                  qUtf8Printable(written.error()));
        return {SaveStatus::Failed, {written.error()}};
    }
    return {};
}

namespace {

// The data a record shares with its copies; nullptr for what is no list or
// an empty one, which are written afresh each time.
const void *sharedData(const QVariant &record)
{
    if (record.metaType().id() != QMetaType::QVariantList)
        return nullptr;
    const auto *list = static_cast<const QVariantList *>(record.constData());
    return list->isEmpty() ? nullptr : list->constData();
}

} // namespace

void ScheduleStore::keep(const QVariant &record, std::vector<QVariantList> &records,
                         QList<QByteArray> &bytes)
{
    const void *data = sharedData(record);
    records.push_back(data ? *static_cast<const QVariantList *>(record.constData())
                           : QVariantList());
    bytes.append(platform::PropertyList::serializeArrayElement(record));
}

QByteArray ScheduleStore::document() const
{
    if (!mListValue)
        return {};
    if (mPrepared.valid()) {
        // Waits only for what is left of it.
        Prepared prepared = mPrepared.get();
        mSavedRecords = std::move(prepared.records);
        mSavedBytes = std::move(prepared.bytes);
    }
    const QVariantList &list = *mListValue;
    std::vector<QVariantList> records;
    QList<QByteArray> bytes;
    records.reserve(size_t(list.size()));
    bytes.reserve(list.size());
    // A walk along the previous save's order: an edit or a deletion moves
    // the records after it by a place, so a short look ahead finds them.
    constexpr size_t lookAhead = 8;
    size_t next = 0;
    for (const QVariant &record : list) {
        const void *data = sharedData(record);
        bool found = false;
        for (size_t k = next; data && k < mSavedRecords.size() && k < next + lookAhead; ++k) {
            if (mSavedRecords[k].constData() == data) {
                records.push_back(std::move(mSavedRecords[k]));
                bytes.append(std::move(mSavedBytes[qsizetype(k)]));
                next = k + 1;
                found = true;
                break;
            }
        }
        if (!found)
            keep(record, records, bytes);
    }
    mSavedRecords = std::move(records);
    mSavedBytes = std::move(bytes);
    return platform::PropertyList::joinArrayElements(mSavedBytes);
}

} // namespace velkari
