// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace platform {

// Where the platform keeps everything of the application:
// $XDG_DATA_HOME/Velkari (default ~/.local/share/Velkari). Fixed to the
// product name so that tools and tests see the same folders as the app.
QString applicationDataDirectory();

// What tells one data folder from another for as long as the user's session
// lasts, the same in every process (the path above may not be).
QString applicationInstanceKey();

// The application's Documents folder, created (private to the user) when
// missing. Creation failures are not reported here: the first write into
// the folder reports them.
QString documentsDirectory();

// The platform's address book: the vCard files it keeps in
// $XDG_DATA_HOME/Velkari/Contacts. The app only reads them, so the folder
// is not created when missing.
QString contactsDirectory();

// Where Plasma and KDE keep contacts as vCard files:
// $XDG_DATA_HOME/kpeoplevcard. Read only, never created.
QString kpeopleVCardDirectory();

} // namespace platform
