// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/core/Result.h"

#include <QString>

#include <initializer_list>

class QDateTime;

namespace platform {

// One argument of a log format: "%@" takes text, "%d" a whole number.
class FormatArg {
public:
    FormatArg(const QString &text)
        : mText(text)
    {
    }
    FormatArg(const char *text)
        : mText(QString::fromUtf8(text))
    {
    }
    FormatArg(int number)
        : mText(QString::number(number))
    {
    }
    FormatArg(long number)
        : mText(QString::number(number))
    {
    }
    FormatArg(long long number)
        : mText(QString::number(number))
    {
    }

    const QString &text() const { return mText; }

private:
    QString mText;
};

// Fills a printf-style format of the system's own: "%@" and "%d" take the
// next argument, "%%" is a percent sign. A directive without an argument is
// kept as written rather than reading past the list.
QString formatString(const char *format, std::initializer_list<FormatArg> args);

// The platform log: one line on standard error, with a time stamp and the
// process id before the message, as a system log writes it.
void log(const QString &message);

template<typename... Args> void log(const char *format, const Args &...args)
{
    log(formatString(format, {FormatArg(args)...}));
}

// Reopens standard error on the file at path, mode "a+", so that every later
// log line (ours and Qt's) lands there. The name is encoded with the file
// system's encoding, so any path the platform gives us works. On failure
// standard error stays where it was and the reason is returned.
Result<> redirectLog(const QString &path);

// The platform's default description of a date: "2026-12-07 10:11:12 +0000".
QString dateDescription(const QDateTime &moment);

} // namespace platform
