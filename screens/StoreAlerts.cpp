// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/StoreAlerts.h"

#include "platform/ui/AlertView.h"
#include "screens/VelkariShell.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace velkari {

namespace {

void alert(const QString &message)
{
    platform::AlertView::show(u"Velkari"_s, message, nullptr, u"OK"_s);
}

} // namespace

void reportLoad(const ScheduleStore::LoadReport &report, const QString &dataPath)
{
    if (report.creationFailed)
        alert(u"Failed to create %1!\nPlease check permissions of the folder"_s.arg(dataPath));
    if (report.readFailed)
        alert(QCoreApplication::translate("StoreAlerts",
                                          "Failed to read %1!\nThe file is left as it is; new "
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
        alert(QCoreApplication::translate(
                  "StoreAlerts", "Failed to save %1!\nPlease check permissions of the folder")
                  .arg(store.mDataPath()));
}

} // namespace velkari
