// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/UnixSignals.h"

#include <QPointer>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace platform::UnixSignals {

namespace {

int signalSockets[2] = {-1, -1};
QPointer<QSocketNotifier> route;

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}

} // namespace

bool routeTermination(QObject *context, std::function<void()> onTermination)
{
    if (signalSockets[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return false;
    delete route.data();
    auto *notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, context);
    route = notifier;
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [handler = std::move(onTermination)] {
                         char byte;
                         [[maybe_unused]] const ssize_t read = ::read(signalSockets[1], &byte, 1);
                         handler();
                     });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    return true;
}

} // namespace platform::UnixSignals
