// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QDBusConnection;

namespace platform {

// The desktop's launcher-entry protocol (com.canonical.Unity.LauncherEntry),
// which docks and task bars of KDE, GNOME extensions and others read to put
// a count on the application's icon.
namespace LauncherEntry {

inline constexpr char ApplicationUri[] = "application://" VELKARI_APP_ID ".desktop";

// Announces the count on the bus; a count of zero or less hides it. Returns
// false when the bus is not connected, which is no error for the caller.
bool publish(const QDBusConnection &bus, int count);

} // namespace LauncherEntry

} // namespace platform
