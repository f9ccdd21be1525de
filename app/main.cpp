#include "VelkariAppDelegate.h"
#include "platform/Application.h"

int main(int argc, char *argv[])
{
    return platform::Application::main(argc, argv,
                                       [] { return std::make_unique<VelkariAppDelegate>(); });
}
