// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

namespace platform {

// SIGTERM and SIGINT turned into a call from the event loop: the handler
// only writes a byte to a socket the loop watches, so whatever the call does
// (saving, quitting) runs outside signal context. One route per process; a
// later call replaces the earlier one.
namespace UnixSignals {

// Calls onTermination in context's thread for each signal that arrives;
// false if the route could not be made (the signals then keep their default).
bool routeTermination(QObject *context, std::function<void()> onTermination);

} // namespace UnixSignals

} // namespace platform
