// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/StoreAlerts.h"

#include "platform/ui/PlainAlert.h"
#include "screens/VelkariShell.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace velkari {

using platform::showPlainAlert;

void reportLoad(const ScheduleStore::LoadReport &report, const QString &dataPath)
{
    if (report.creationFailed)
        showPlainAlert(
            u"Failed to create %1!\nPlease check permissions of the folder"_s.arg(dataPath));
    if (report.readFailed)
        showPlainAlert(QCoreApplication::translate(
                           "StoreAlerts", "Failed to read %1!\nThe file is left as it is; new "
                                          "schedules can't be saved until it is repaired.")
                           .arg(dataPath));
}

void SaveData()
{
    VelkariShell *shell = VelkariShell::shared();
    if (!shell)
        return;
    ScheduleStore &store = shell->store();
    if (store.SaveData().status == ScheduleStore::SaveStatus::Failed)
        showPlainAlert(
            QCoreApplication::translate(
                "StoreAlerts", "Failed to save %1!\nPlease check permissions of the folder")
                .arg(store.mDataPath()));
}

} // namespace velkari
