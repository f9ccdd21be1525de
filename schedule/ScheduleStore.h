// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/core/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantList>

#include <atomic>
#include <future>
#include <memory>
#include <optional>
#include <vector>

namespace velkari {

// The one list of schedule records and its data file. The list is absent
// (not empty) when the file could not be read: then nothing is added to it
// and nothing is written, so an unreadable file is never overwritten.
class ScheduleStore {
public:
    ScheduleStore() = default;
    ~ScheduleStore();
    ScheduleStore(const ScheduleStore &) = delete;
    ScheduleStore &operator=(const ScheduleStore &) = delete;

    // The file's name begins with a space.
    static inline const QString DataFileName = QStringLiteral(" Velkari.dat");

    // Not a platform::Result: the screens tell the two failures apart, and
    // an absent list is no failure of the save.
    struct LoadReport {
        bool creationFailed = false; // the missing file could not be created
        bool readFailed = false;     // the file is there but holds no readable list
        platform::Error error;       // why, when either failed
    };

    enum class SaveStatus {
        Saved,
        NoList, // the list is absent; the file was left alone
        Failed,
    };
    struct SaveResult {
        SaveStatus status = SaveStatus::Saved;
        platform::Error error; // why, when it failed
    };

    // Finds the data file in Documents, creates it empty when missing and
    // reads it into the list, logging each step.
    LoadReport LoadData();

    // Writes the whole list atomically; a failure leaves the previous file.
    SaveResult SaveData() const;

    // After a load, each record's part of the file is made on another core
    // for the first save; this waits until it is done (measurements do).
    void finishPreparing() const;

    std::optional<QVariantList> &mList() { return mListValue; }
    const std::optional<QVariantList> &mList() const { return mListValue; }
    void setMList(std::optional<QVariantList> list)
    {
        stopPreparing();
        mListValue = std::move(list);
    }

    const QString &mDataPath() const { return mDataPathValue; }
    void setMDataPath(const QString &path) { mDataPathValue = path; }

    // Records in the list; an absent list has none.
    int count() const { return mListValue ? int(mListValue->size()) : 0; }

    // The document SaveData writes: the list, byte for byte as
    // PropertyList::serialize gives it.
    QByteArray document() const;

private:
    std::optional<QVariantList> mListValue;
    // Each record's part of the file as the last save wrote it, beside the
    // record it was made from. Holding the record makes any change to it in
    // mList detach, so an unchanged record is the one whose data is still
    // shared with the copy here.
    mutable std::vector<QVariantList> mSavedRecords;
    mutable QList<QByteArray> mSavedBytes;
    // The records' parts of the file, made on another core right after a
    // load, so the first save costs no more than the later ones.
    struct Prepared {
        std::vector<QVariantList> records;
        QList<QByteArray> bytes;
    };
    static void keep(const QVariant &record, std::vector<QVariantList> &records,
                     QList<QByteArray> &bytes);
    void stopPreparing();
    mutable std::future<Prepared> mPrepared;
    std::shared_ptr<std::atomic_bool> mStopPreparing;
    QString mDataPathValue;
};

} // namespace velkari
