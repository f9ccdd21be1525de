// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>

// Debian's own ModemManager, started on a bus of the test's that plays the
// system bus, driving one virtual modem (tests/support/virtual_modem.cpp)
// over an abstract socket, so that what the daemon checks, packs and
// refuses is its own. Both end with the object, or with the test if it
// crashes.
class RealModemManager {
public:
    // What the modem's SIM answers.
    enum class Sim { Ready, Locked, Missing };

    // Starts the daemon and hands it the modem; isReady() says whether the
    // modem came up (as a switched-off one: nothing switches it on by
    // itself, NetworkManager does on a phone).
    RealModemManager(const QString &busAddress, Sim sim = Sim::Ready);
    ~RealModemManager();

    bool isReady() const { return !mModem.isEmpty(); }
    QString modemPath() const { return mModem; }
    // MMModemState as the daemon has it now.
    int state() const;
    // Switches the modem on or off and waits for the daemon to say so.
    bool setEnabled(bool enabled);

    // The texts the modem was handed so far, each with its "number", "text",
    // "parts" and "coding" (gsm7, ucs2), the parts of a long one put together.
    QList<QJsonObject> messages();
    QString logFile() const { return mDir.filePath(QStringLiteral("ModemManager.log")); }

private:
    QDBusConnection bus() const;
    bool waitForState(const std::function<bool(int)> &done, int timeoutMs) const;

    QTemporaryDir mDir;
    QString mBusAddress;
    QString mConnectionName;
    QProcess mVirtualModem;
    QProcess mDaemon;
    QString mModem;
    QList<QJsonObject> mMessages;
};
