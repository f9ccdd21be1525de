#include "SmsAvailability.h"

#include "KdeConnectTransport.h"
#include "ModemManagerTransport.h"

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
    look();
}

void SmsAvailability::look()
{
    mLooking = true;
    const int question = ++mQuestion;
    QThreadPool::globalInstance()->start([this, question, system = mSystemBus,
                                          session = mSessionBus] {
        // The services' answers are waited for here, off the window's thread.
        Kind kind = Kind::None;
        if (!ModemManagerTransport::messagingModem(system, SmsTransport::ProbeTimeout).isEmpty())
            kind = Kind::ModemManager;
        else if (!KdeConnectTransport::smsDevice(session, SmsTransport::ProbeTimeout).isEmpty())
            kind = Kind::KdeConnect;
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
