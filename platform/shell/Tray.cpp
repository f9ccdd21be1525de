// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/Tray.h"

#include "platform/ui/Window.h"

#include <QMenu>
#include <QSystemTrayIcon>

using namespace Qt::Literals::StringLiterals;

namespace platform {

Tray *Tray::create(Window *window, QObject *parent)
{
    if (!window || !QSystemTrayIcon::isSystemTrayAvailable())
        return nullptr;
    return new Tray(window, parent);
}

Tray::Tray(Window *window, QObject *parent)
    : QObject(parent)
    , mIcon(new QSystemTrayIcon(window->windowIcon(), this))
{
    auto *menu = new QMenu(window);
    menu->addAction(tr("Show Velkari"), this, &Tray::showRequested);
    menu->addSeparator();
    menu->addAction(tr("Quit"), QKeySequence::Quit, this, &Tray::quitRequested);
    mIcon->setContextMenu(menu);
    connect(mIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
            Q_EMIT showRequested();
    });
    connect(mIcon, &QSystemTrayIcon::messageClicked, this, [this] {
        if (mShownReminder)
            Q_EMIT reminderAnswered(*std::exchange(mShownReminder, std::nullopt));
    });
    setBadgeNumber(0);
    mIcon->show();
}

void Tray::setBadgeNumber(int number)
{
    mIcon->setToolTip(number > 0 ? tr("Velkari: %n upcoming", nullptr, number) : u"Velkari"_s);
}

bool Tray::showReminder(const Reminder &reminder)
{
    if (!QSystemTrayIcon::supportsMessages())
        return false;
    mShownReminder = reminder;
    mIcon->showMessage(u"Velkari"_s, reminder.alertBody);
    return true;
}

} // namespace platform
