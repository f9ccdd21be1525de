// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/PlainAlert.h"

#include "platform/ui/AlertView.h"

using namespace Qt::Literals::StringLiterals;

namespace platform {

AlertView *showPlainAlert(const QString &message)
{
    return AlertView::show(u"Velkari"_s, message, nullptr, u"OK"_s);
}

} // namespace platform
