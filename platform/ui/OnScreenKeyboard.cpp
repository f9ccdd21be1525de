// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/OnScreenKeyboard.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QLibraryInfo>
#include <QVersionNumber>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

// squeekboard's interface, as Debian's squeekboard 1.21 exports it (its
// gdbus-codegen'd src/sm.puri.OSK0.c): SetVisible(in b visible) and the
// property Visible (b), at /sm/puri/OSK0.
const QString keyboardService = u"sm.puri.OSK0"_s;
const QString keyboardPath = u"/sm/puri/OSK0"_s;
const QString keyboardInterface = u"sm.puri.OSK0"_s;

// A text control as Qt's input method sees one: it takes typed text.
bool takesText(const QWidget *widget)
{
    return widget && widget->testAttribute(Qt::WA_InputMethodEnabled) &&
           widget->inputMethodQuery(Qt::ImEnabled).toBool();
}

} // namespace

bool OnScreenKeyboard::qtSpeaksTextInputV3()
{
    return QGuiApplication::platformName() == u"wayland"_s &&
           QLibraryInfo::version() >= QVersionNumber(6, 7);
}

OnScreenKeyboard *OnScreenKeyboard::install(const QDBusConnection &bus, QObject *parent)
{
    if (qtSpeaksTextInputV3() || !bus.isConnected())
        return nullptr;
    return new OnScreenKeyboard(bus, parent);
}

OnScreenKeyboard::OnScreenKeyboard(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , mBus(bus)
{
    auto *watcher = new QDBusServiceWatcher(keyboardService, mBus,
                                            QDBusServiceWatcher::WatchForRegistration |
                                                QDBusServiceWatcher::WatchForUnregistration,
                                            this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        mServicePresent = true;
        mShown = false;
        focusChanged(QApplication::focusWidget());
    });
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        mServicePresent = false;
        mShown = false;
    });
    // Asked once without waiting; the answer decides whether to follow.
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                       u"org.freedesktop.DBus"_s, u"NameHasOwner"_s)
        << keyboardService;
    auto *answer = new QDBusPendingCallWatcher(mBus.asyncCall(ask), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
            reply.arguments().constFirst().toBool() && !mServicePresent) {
            mServicePresent = true;
            focusChanged(QApplication::focusWidget());
        }
    });
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { focusChanged(now); });
}

void OnScreenKeyboard::focusChanged(QWidget *now)
{
    if (!mServicePresent)
        return;
    if (takesText(now))
        setVisible(true);
    else if (mShown)
        setVisible(false);
}

void OnScreenKeyboard::setVisible(bool visible)
{
    if (visible == mShown)
        return;
    mShown = visible;
    QDBusMessage call = QDBusMessage::createMethodCall(keyboardService, keyboardPath,
                                                       keyboardInterface, u"SetVisible"_s);
    call << visible;
    // Nothing waits for it; a keyboard that went away meanwhile says so
    // with the name's unregistration.
    mBus.asyncCall(call);
}

} // namespace platform
