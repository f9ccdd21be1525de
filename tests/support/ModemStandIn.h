// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>

// Stands in for ModemManager with one modem (or, with service "kdeconnect",
// for KDE Connect's daemon with one paired phone) on the given bus, behaving
// as told ("sends", "send-error", "send-hangs", ... see fake_sms_services),
// and records every call the app makes on it. Gone with the object.
class ModemStandIn {
public:
    ModemStandIn(const QString &busAddress, const QString &behaviour,
                 const QString &service = QStringLiteral("modemmanager"));
    ~ModemStandIn();

    bool isReady() const { return mReady; }
    // The calls of that name so far ("Create", "Send", ...).
    QList<QJsonObject> calls(const QString &name);

private:
    QProcess mProcess;
    QList<QJsonObject> mCalls;
    bool mReady = false;
};
