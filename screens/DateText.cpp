// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/DateText.h"

#include <QLocale>
#include <QTimeZone>

using namespace Qt::Literals::StringLiterals;

namespace velkari {

QString Date2String(const QDateTime &date)
{
    // No zone is called "en_us": the lookup fails and the device's zone stays.
    QTimeZone zone("en_us");
    if (!zone.isValid())
        zone = QTimeZone::systemTimeZone();
    return QLocale().toString(date.toTimeZone(zone), u"yyyy/MM/d - HH:mm"_s);
}

} // namespace velkari
