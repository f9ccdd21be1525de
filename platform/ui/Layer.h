// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace platform {

// A view's corners, rounded by a radius in points (a point is one logical
// pixel), as its layer would draw them.
void setCornerRadius(QWidget *view, double radius);

// Keeps what the view draws, and its background, inside its rounded bounds.
void setClipsToBounds(QWidget *view, bool clips);

} // namespace platform
