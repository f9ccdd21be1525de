// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {

// Puts the platform's own texts into the user's language (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG) when the program carries a translation for it. The
// screens' layouts and alerts are not in the catalogue and stay as written.
// Qt's own texts follow when the system carries Qt's translations.
// Needs the application object; false when there is no translation.
bool installTranslations();

} // namespace platform
