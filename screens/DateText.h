// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

namespace velkari {

// "yyyy/MM/d - HH:mm" in the device's time zone: how the list shows a
// schedule's moment and the forms log it.
QString Date2String(const QDateTime &date);

} // namespace velkari
