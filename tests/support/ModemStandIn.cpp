// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModemStandIn.h"

#include <QJsonDocument>

#include <csignal>
#include <sys/prctl.h>

using namespace Qt::Literals::StringLiterals;

ModemStandIn::ModemStandIn(const QString &busAddress, const QString &behaviour,
                           const QString &service)
{
    // Dies with the test, also when the test crashes.
    mProcess.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    mProcess.start(QStringLiteral(FAKE_SMS_SERVICES), {busAddress, service, behaviour});
    mReady = mProcess.waitForReadyRead(5000) && mProcess.readLine() == "{\"ready\":true}\n";
}

ModemStandIn::~ModemStandIn()
{
    mProcess.kill();
    mProcess.waitForFinished(5000);
}

QList<QJsonObject> ModemStandIn::calls(const QString &name)
{
    while (mProcess.canReadLine())
        mCalls.append(QJsonDocument::fromJson(mProcess.readLine()).object());
    QList<QJsonObject> found;
    for (const QJsonObject &call : std::as_const(mCalls)) {
        if (call.value(u"call"_s).toString() == name)
            found.append(call);
    }
    return found;
}
