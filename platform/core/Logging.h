// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// The platform's diagnostics, one category per part, so that QT_LOGGING_RULES
// can silence or widen each ("velkari.sms.warning=false", "velkari.*.debug=true").
// The app's own log lines (platform::log in Log.h) are not diagnostics: they
// are always written, exactly as they are.

namespace platform {

Q_DECLARE_LOGGING_CATEGORY(lcContacts)  // velkari.contacts: address books
Q_DECLARE_LOGGING_CATEGORY(lcCore)      // velkari.core: files, locks, the timer
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)   // velkari.desktop: notifications
Q_DECLARE_LOGGING_CATEGORY(lcReminders) // velkari.reminders: the registry, the service
Q_DECLARE_LOGGING_CATEGORY(lcShell)     // velkari.shell: start-up, windows, delivery
Q_DECLARE_LOGGING_CATEGORY(lcSms)       // velkari.sms: sending text messages
Q_DECLARE_LOGGING_CATEGORY(lcStore)     // velkari.store: the schedules' data file
Q_DECLARE_LOGGING_CATEGORY(lcUi)        // velkari.ui: drawing, widgets

// Writes every Qt message, ours and Qt's own, as a line of the platform log
// (the time, the process and its id before it), so that they land in the log
// file with the app's own lines and in their order. QT_MESSAGE_PATTERN shapes
// the message; by default it is "category: message".
void writeLogMessage(QtMsgType type, const QMessageLogContext &context, const QString &message);

// Makes writeLogMessage the process's message handler; returns the one before.
QtMessageHandler installLogMessageHandler();

} // namespace platform
