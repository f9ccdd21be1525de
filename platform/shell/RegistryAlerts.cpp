// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/RegistryAlerts.h"

#include "platform/reminders/ReminderCenter.h"
#include "platform/ui/PlainAlert.h"

#include <QCoreApplication>
#include <QLocale>

namespace platform {

// The texts keep the translation context they had in Application.
void RegistryAlerts::report(const ReminderCenter &center)
{
    if (center.keptAsidePath() != mKeptAside && !center.keptAsidePath().isEmpty()) {
        showPlainAlert(QCoreApplication::translate(
                           "platform::Application",
                           "The registered reminders could not be read. The file was kept as "
                           "%1; reminders registered before are not in effect.")
                           .arg(center.keptAsidePath()));
    }
    if (center.damagedEntriesPath() != mDamaged && center.damagedEntries() > 0) {
        showPlainAlert(
            QCoreApplication::translate("platform::Application",
                                        "Registered reminders that could not be read: %1. They "
                                        "are not in effect and were kept as %2.")
                .arg(QLocale().toString(center.damagedEntries()), center.damagedEntriesPath()));
    }
    const Result<void> usable = center.usable();
    if (!usable && usable.error() != mUnusable) {
        showPlainAlert(QCoreApplication::translate(
                           "platform::Application",
                           "Reminders cannot be registered: %1. The file is left as it is.")
                           .arg(usable.error()));
    }
    mKeptAside = center.keptAsidePath();
    mDamaged = center.damagedEntriesPath();
    mUnusable = usable.error();
}

} // namespace platform
