// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>

class QWidget;

namespace platform {

// Shows the phone's on-screen keyboard while a text control has the focus
// and hides it when the focus leaves, where the Qt in use cannot ask the
// compositor for it (Phosh's keyboard follows text-input-v3, which Qt's
// Wayland plugin speaks from 6.7 on). It asks Phosh's keyboard, squeekboard,
// over its D-Bus interface sm.puri.OSK0 (SetVisible), and only while that
// service is on the bus; with no such keyboard it does nothing.
class OnScreenKeyboard : public QObject {
    Q_OBJECT

public:
    // Starts following the focus when Qt cannot speak text-input-v3;
    // nullptr otherwise.
    static OnScreenKeyboard *install(const QDBusConnection &bus, QObject *parent = nullptr);

    // Whether the platform plugin asks the compositor for the keyboard itself.
    static bool qtSpeaksTextInputV3();

    // Whether the phone's keyboard is known to be there, so that the focus
    // is followed.
    bool isFollowing() const { return mServicePresent; }

    explicit OnScreenKeyboard(const QDBusConnection &bus, QObject *parent = nullptr);

private:
    void focusChanged(QWidget *now);
    void setVisible(bool visible);

    QDBusConnection mBus;
    bool mServicePresent = false;
    // What we last asked for: nothing is asked twice in a row, and a
    // keyboard we did not bring up is not taken down.
    bool mShown = false;
};

} // namespace platform
