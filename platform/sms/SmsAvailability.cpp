// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sms/SmsAvailability.h"

#include "platform/sms/KdeConnectTransport.h"
#include "platform/sms/ModemManagerTransport.h"

#include <QCoreApplication>
#include <QDBusServiceWatcher>
#include <QPointer>

using namespace Qt::Literals::StringLiterals;

namespace platform {

SmsAvailability &SmsAvailability::shared()
{
    static QPointer<SmsAvailability> availability;
    if (!availability) {
        availability =
            new SmsAvailability(QDBusConnection::systemBus(), QDBusConnection::sessionBus(),
                                QCoreApplication::instance());
    }
    return *availability;
}

SmsAvailability::SmsAvailability(const QDBusConnection &systemBus,
                                 const QDBusConnection &sessionBus, QObject *parent)
    : QObject(parent)
    , mSystemBus(systemBus)
    , mSessionBus(sessionBus)
{
    const auto watch = [this](const QString &service, const QDBusConnection &bus) {
        auto *watcher =
            new QDBusServiceWatcher(service, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &SmsAvailability::look);
    };
    watch(u"org.freedesktop.ModemManager1"_s, mSystemBus);
    watch(u"org.kde.kdeconnect"_s, mSessionBus);
    // A modem plugged in or taken out while ModemManager runs.
    for (const char *change : {"InterfacesAdded", "InterfacesRemoved"}) {
        mSystemBus.connect(u"org.freedesktop.ModemManager1"_s, u"/org/freedesktop/ModemManager1"_s,
                           u"org.freedesktop.DBus.ObjectManager"_s, QString::fromLatin1(change),
                           this, SLOT(look()));
    }
    // A modem switched on or off, unlocked, or on a network: any path.
    mSystemBus.connect(u"org.freedesktop.ModemManager1"_s, QString(),
                       u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s, this,
                       SLOT(modemChanged(QString, QVariantMap, QStringList)));
    look();
}

void SmsAvailability::look()
{
    mLooking = true;
    const int question = ++mQuestion;
    ModemManagerTransport::findModem(mSystemBus, this, [this, question](const ModemStatus &modem) {
        if (question != mQuestion)
            return;
        if (modem.isReady()) {
            answer(question, Kind::ModemManager);
            return;
        }
        KdeConnectTransport::findDevice(mSessionBus, this,
                                        [this, question, modem](const QString &device) {
                                            if (!device.isEmpty())
                                                answer(question, Kind::KdeConnect);
                                            else if (modem.canSend() || modem.isHeldBack())
                                                answer(question, Kind::ModemManager);
                                            else
                                                answer(question, Kind::None);
                                        });
    });
}

void SmsAvailability::answer(int question, Kind kind)
{
    if (question != mQuestion)
        return;
    mKind = kind;
    mAnswered = true;
    mLooking = false;
    Q_EMIT settled();
}

void SmsAvailability::modemChanged(const QString &interface, const QVariantMap &changed,
                                   const QStringList &invalidated)
{
    if (interface == u"org.freedesktop.ModemManager1.Modem"_s &&
        (changed.contains(u"State"_s) || invalidated.contains(u"State"_s)))
        look();
}

std::unique_ptr<SmsTransport> SmsAvailability::makeTransport() const
{
    switch (mKind) {
    case Kind::ModemManager:
        return std::make_unique<ModemManagerTransport>(mSystemBus);
    case Kind::KdeConnect:
        return std::make_unique<KdeConnectTransport>(mSessionBus);
    case Kind::None:
        break;
    }
    return nullptr;
}

} // namespace platform
