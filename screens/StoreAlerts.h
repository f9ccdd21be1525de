// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/ScheduleStore.h"

namespace velkari {

// Tells the user, with an alert, what the store could not do.
void reportLoad(const ScheduleStore::LoadReport &report, const QString &dataPath);

// Writes the whole list of the shared store; an alert says so when it fails.
void SaveData();

} // namespace velkari
