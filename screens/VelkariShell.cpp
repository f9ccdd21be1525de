#include "VelkariShell.h"

#include "platform/Application.h"
#include "platform/ApplicationDelegate.h"

VelkariShell *VelkariShell::shared()
{
    platform::Application *app = platform::Application::shared();
    return app ? dynamic_cast<VelkariShell *>(app->delegate()) : nullptr;
}
