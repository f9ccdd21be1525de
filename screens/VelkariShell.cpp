// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/VelkariShell.h"

#include "platform/shell/Application.h"
#include "platform/shell/ApplicationDelegate.h"

namespace velkari {

VelkariShell *VelkariShell::shared()
{
    platform::Application *app = platform::Application::shared();
    return app ? dynamic_cast<VelkariShell *>(app->delegate()) : nullptr;
}

} // namespace velkari
