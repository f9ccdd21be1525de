// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <sys/types.h>

// Waits that block the calling thread until the kernel reports the event,
// for fixtures that run before there is an event loop, or outside it.
// Neither polls on a clock; the timeout only ends a wait that would hang.

// Until each process has ended (exited or killed, reaped or not), also
// processes that are not our children. False when one is still running.
bool waitForProcessesToEnd(const QList<pid_t> &pids, int timeoutMs);

// Until the file holds text; the file need not exist yet, but its folder
// must.
bool waitForTextInFile(const QString &path, const QByteArray &text, int timeoutMs);
