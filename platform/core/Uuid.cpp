// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Uuid.h"

#include <QUuid>

namespace platform {

QString createUuidString()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

} // namespace platform
