// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VelkariAppDelegate.h"
#include "platform/shell/Application.h"

int main(int argc, char *argv[])
{
    return platform::Application::main(
        argc, argv, [] { return std::make_unique<velkari::VelkariAppDelegate>(); });
}
