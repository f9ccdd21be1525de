// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/LauncherEntry.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

using namespace Qt::Literals::StringLiterals;

namespace platform::LauncherEntry {

bool publish(const QDBusConnection &bus, int count)
{
    if (!bus.isConnected())
        return false;
    // Any path will do for the launcher; ours is the application id's.
    static const QString path = u"/com/canonical/unity/launcherentry/"_s +
                                QString::fromLatin1(VELKARI_APP_ID).replace(u'.', u'_');
    QDBusMessage signal =
        QDBusMessage::createSignal(path, u"com.canonical.Unity.LauncherEntry"_s, u"Update"_s);
    const QVariantMap properties{
        {u"count"_s, QVariant::fromValue<qint64>(qMax(count, 0))},
        {u"count-visible"_s, count > 0},
    };
    signal << QString::fromLatin1(ApplicationUri) << properties;
    return bus.send(signal);
}

} // namespace platform::LauncherEntry
