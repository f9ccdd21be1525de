// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {

// Values as the platform numbers them.
enum class ApplicationState : int {
    Active = 0,     // in front and receiving input
    Inactive = 1,   // shown but not receiving input, or coming to the front
    Background = 2, // window hidden or minimised; the process keeps running
};

} // namespace platform
