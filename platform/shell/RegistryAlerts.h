// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace platform {

class ReminderCenter;

// Tells the user, with an alert, what a reading of the reminder registry
// kept aside or found unusable: each finding once, however often the
// registry is read again.
class RegistryAlerts {
public:
    void report(const ReminderCenter &center);

private:
    QString mKeptAside;
    QString mDamaged;
    QString mUnusable;
};

} // namespace platform
