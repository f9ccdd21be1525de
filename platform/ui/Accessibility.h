// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {

// Teaches screen readers the platform's own widgets: a label that shows a
// value reads its name and then the value; a table is a list whose items come
// in the order they are seen, each with a selected state and a press action;
// an empty table reads its hint. Safe to call more than once.
void installAccessibility();

} // namespace platform
