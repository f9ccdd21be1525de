// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace platform {

// A new UUID as text: 36 characters, five groups of upper-case hexadecimal
// digits (8-4-4-4-12) joined by hyphens.
QString createUuidString();

} // namespace platform
