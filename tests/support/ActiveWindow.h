// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QWidget>

// Without a window manager (offscreen, a bare X server) activateWindow()
// makes no window active, and Qt has no public way left but this
// deprecated one to say which window is (or that none is).
inline void makeActiveWindow(QWidget *window)
{
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setActiveWindow(window);
    QT_WARNING_POP
}
