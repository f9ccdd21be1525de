#include "schedule/ScheduleStore.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Log.h"
#include "platform/core/PropertyList.h"
#include "platform/core/StandardPaths.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;
using platform::log;

namespace velkari {

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
        QString error;
        if (platform::PropertyList::writeFile(mDataPathValue, QVariant(*mListValue), &error)) {
            log("Velkari.dat created successfully");
        } else {
            log("Velkari.dat creation failed");
            log("%@", error);
            report.creationFailed = true;
            report.error = error;
        }
    }

    QString error;
    mListValue = platform::PropertyList::readArrayFile(mDataPathValue, &error);
    if (!mListValue && !report.creationFailed) {
        // The file is there but is no list: leave it exactly as it is.
        log("Cannot read %@: %@", mDataPathValue, error);
        report.readFailed = true;
        report.error = error;
    }

    log("%d", count());
    return report;
}

ScheduleStore::SaveResult ScheduleStore::SaveData() const
{
    if (!mListValue)
        return {SaveStatus::NoList, {}};
    QString error;
    if (!platform::PropertyList::writeFile(mDataPathValue, QVariant(*mListValue), &error)) {
        log("Cannot save %@: %@", mDataPathValue, error);
        return {SaveStatus::Failed, error};
    }
    return {};
}

} // namespace velkari
