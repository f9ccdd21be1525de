// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sms/SmsAvailability.h"

#include "platform/sms/KdeConnectTransport.h"
#include "platform/sms/ModemManagerTransport.h"

#include <QDBusServiceWatcher>
#include <QThreadPool>

using namespace Qt::Literals::StringLiterals;

namespace platform {

SmsAvailability &SmsAvailability::shared()
{
    // Never destroyed: a look still under way at exit must find it.
    static auto *availability =
        new SmsAvailability(QDBusConnection::systemBus(), QDBusConnection::sessionBus());
    return *availability;
}

SmsAvailability::SmsAvailability(const QDBusConnection &systemBus,
                                 const QDBusConnection &sessionBus)
    : mSystemBus(systemBus)
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
    QThreadPool::globalInstance()->start(
        [this, question, system = mSystemBus, session = mSessionBus] {
            // The services' answers are waited for here, off the window's thread.
            const Kind kind = ask(system, session);
            QMetaObject::invokeMethod(
                this,
                [this, question, kind] {
                    if (question != mQuestion)
                        return;
                    mKind = kind;
                    mAnswered = true;
                    mLooking = false;
                    Q_EMIT settled();
                },
                Qt::QueuedConnection);
        });
}

void SmsAvailability::modemChanged(const QString &interface, const QVariantMap &changed,
                                   const QStringList &invalidated)
{
    if (interface == u"org.freedesktop.ModemManager1.Modem"_s &&
        (changed.contains(u"State"_s) || invalidated.contains(u"State"_s)))
        look();
}

SmsAvailability::Kind SmsAvailability::ask(const QDBusConnection &systemBus,
                                           const QDBusConnection &sessionBus)
{
    const ModemStatus modem =
        ModemManagerTransport::messagingModem(systemBus, SmsTransport::ProbeTimeout);
    if (modem.isReady())
        return Kind::ModemManager;
    if (!KdeConnectTransport::smsDevice(sessionBus, SmsTransport::ProbeTimeout).isEmpty())
        return Kind::KdeConnect;
    // Off the network, switched off or locked: the modem still, so that
    // sending says what to do about it.
    if (modem.canSend() || modem.isHeldBack())
        return Kind::ModemManager;
    return Kind::None;
}

std::unique_ptr<SmsTransport> SmsAvailability::make(Kind kind, const QDBusConnection &systemBus,
                                                    const QDBusConnection &sessionBus)
{
    switch (kind) {
    case Kind::ModemManager:
        return std::make_unique<ModemManagerTransport>(systemBus);
    case Kind::KdeConnect:
        return std::make_unique<KdeConnectTransport>(sessionBus);
    case Kind::None:
        break;
    }
    return nullptr;
}

std::unique_ptr<SmsTransport> SmsAvailability::makeTransport() const
{
    return make(mKind, mSystemBus, mSessionBus);
}

std::unique_ptr<SmsTransport> SmsAvailability::availableTransport(const QDBusConnection &systemBus,
                                                                  const QDBusConnection &sessionBus)
{
    return make(ask(systemBus, sessionBus), systemBus, sessionBus);
}

} // namespace platform
