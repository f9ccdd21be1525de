// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QTest>

// For a test that asserts that nothing happened: waits for a later event
// that proves the moment has passed, not for a stretch of time.
//
// Returns once the event loop has handled every event posted before the
// call, and so whatever those did at once (a check that a clock change
// asked for, and the reminder it fired); false if that took longer than the
// timeout, which only a stuck event loop does.
inline bool passPostedEvents(int timeoutMs = 5000)
{
    bool passed = false;
    QObject context;
    QMetaObject::invokeMethod(
        &context, [&passed] { passed = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([&passed] { return passed; }, timeoutMs);
}
