// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace platform {

class AlertView;

// The alert that only tells: "Velkari" over the message and one "OK" button,
// heard by nobody. Shown over the key window like any AlertView.
AlertView *showPlainAlert(const QString &message);

} // namespace platform
