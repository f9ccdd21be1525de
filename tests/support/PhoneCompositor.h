// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// The phone's compositor, phoc, on a display of the test's own: Xvfb, with
// phoc's X11 backend (its headless one has no seat, so nobody would ever
// have the focus), on a private runtime folder. Started with plain system
// calls, so that it can be there before the test's Qt application connects
// to it. Both processes end with the test, also when it crashes.
class PhoneCompositor {
public:
    PhoneCompositor();
    ~PhoneCompositor();
    PhoneCompositor(const PhoneCompositor &) = delete;
    PhoneCompositor &operator=(const PhoneCompositor &) = delete;

    bool isRunning() const { return mPhoc > 0; }
    // Why it is not running.
    QString error() const { return mError; }

    QString runtimeDirectory() const { return mDir; }
    // The X display phoc draws into, for screenshots.
    QString xDisplay() const { return mXDisplay; }

    // Points this process at it (Qt's Wayland plugin, XDG_RUNTIME_DIR);
    // before the Qt application is made. Programs started later inherit it.
    void becomeTheSessionsCompositor() const;

    // What phoc has said so far (with its debug messages).
    QByteArray log() const;
    // Waits up to timeoutMs for text to appear in the log.
    bool waitForLog(const QByteArray &text, int timeoutMs = 20000) const;

    // Another program on the screen, as a user would open one: a Wayland
    // client that maps a window and takes the focus. Ended with the
    // compositor at the latest.
    pid_t startClient(const QStringList &program);
    void endClient(pid_t pid);

    // A token from the compositor, as a launcher asks for one before it
    // starts a program (the activation_token helper); empty on failure.
    QString activationToken(const QString &appId) const;

private:
    QString mDir;
    QString mXDisplay;
    QString mError;
    pid_t mXvfb = -1;
    pid_t mPhoc = -1;
    QList<pid_t> mClients;
};
