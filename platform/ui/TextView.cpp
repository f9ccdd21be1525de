// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/TextView.h"

#include <QGuiApplication>
#include <QInputMethod>

namespace platform {

TextView::TextView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
}

void TextView::resignFirstResponder()
{
    clearFocus();
    QGuiApplication::inputMethod()->hide();
}

} // namespace platform
