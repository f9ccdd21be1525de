// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Logging.h"

#include "platform/core/Log.h"

namespace platform {

Q_LOGGING_CATEGORY(lcContacts, "velkari.contacts")
Q_LOGGING_CATEGORY(lcCore, "velkari.core")
Q_LOGGING_CATEGORY(lcDesktop, "velkari.desktop")
Q_LOGGING_CATEGORY(lcReminders, "velkari.reminders")
Q_LOGGING_CATEGORY(lcShell, "velkari.shell")
Q_LOGGING_CATEGORY(lcSms, "velkari.sms")
Q_LOGGING_CATEGORY(lcStore, "velkari.store")
Q_LOGGING_CATEGORY(lcUi, "velkari.ui")

void writeLogMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Qt's default handler may send it to the journal instead, away from the
    // per-launch file people are asked for.
    log(qFormatLogMessage(type, context, message));
}

QtMessageHandler installLogMessageHandler()
{
    return qInstallMessageHandler(writeLogMessage);
}

} // namespace platform
