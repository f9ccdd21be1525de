// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/OnScreenKeyboard.h"
#include "support/ActiveWindow.h"
#include "support/PrivateBus.h"

#include <QApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;
using platform::OnScreenKeyboard;

namespace {

// Stands in for squeekboard on the private bus: its interface as
// squeekboard 1.21 exports it (sm.puri.OSK0 at /sm/puri/OSK0: SetVisible(b)
// and the property Visible; the GetVisible its introspection lists answers
// "not implemented"). Every SetVisible is written down.
class KeyboardStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "sm.puri.OSK0")
    Q_PROPERTY(bool Visible READ visible)

public:
    explicit KeyboardStandIn(const QDBusConnection &bus)
        : mBus(bus)
    {
        registered = mBus.registerObject(u"/sm/puri/OSK0"_s, this,
                                         QDBusConnection::ExportAllSlots |
                                             QDBusConnection::ExportAllProperties) &&
                     mBus.registerService(u"sm.puri.OSK0"_s);
    }
    ~KeyboardStandIn() override { leave(); }

    void leave()
    {
        mBus.unregisterService(u"sm.puri.OSK0"_s);
        mBus.unregisterObject(u"/sm/puri/OSK0"_s);
    }
    bool visible() const { return mVisible; }

    bool registered = false;
    QList<bool> calls;

public Q_SLOTS:
    void SetVisible(bool visible)
    {
        calls.append(visible);
        mVisible = visible;
    }

private:
    QDBusConnection mBus;
    bool mVisible = false;
};

// A form as the composer has one: a text field, a message, a button, and a
// text shown read-only.
struct Form {
    Form()
    {
        auto *layout = new QVBoxLayout(&window);
        for (QWidget *widget : {static_cast<QWidget *>(field), static_cast<QWidget *>(message),
                                static_cast<QWidget *>(button), static_cast<QWidget *>(shown)})
            layout->addWidget(widget);
        shown->setReadOnly(true);
        shown->setPlainText(u"Sent"_s);
        window.show();
        makeActiveWindow(&window);
    }
    QWidget *byName(const QString &name) const
    {
        return name == u"field"     ? static_cast<QWidget *>(field)
               : name == u"message" ? static_cast<QWidget *>(message)
               : name == u"button"  ? static_cast<QWidget *>(button)
                                    : static_cast<QWidget *>(shown);
    }

    QWidget window;
    QLineEdit *field = new QLineEdit;
    QPlainTextEdit *message = new QPlainTextEdit;
    QPushButton *button = new QPushButton(u"Send"_s);
    QPlainTextEdit *shown = new QPlainTextEdit;
};

} // namespace

class TestOnScreenKeyboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(mBus.isRunning()); }
    void followsTheFocus_data();
    void followsTheFocus();
    void followsAKeyboardThatComesAndGoes();

private:
    PrivateBus mBus;
    int mConnections = 0;
};

void TestOnScreenKeyboard::followsTheFocus_data()
{
    QTest::addColumn<QStringList>("focusPath");
    QTest::addColumn<QList<bool>>("calls");
    QTest::newRow("tap into the message") << QStringList{u"message"_s} << QList<bool>{true};
    QTest::newRow("from field to message, it stays up")
        << QStringList{u"field"_s, u"message"_s} << QList<bool>{true};
    QTest::newRow("to a button, it goes down")
        << QStringList{u"message"_s, u"button"_s} << QList<bool>{true, false};
    QTest::newRow("up again") << QStringList{u"field"_s, u"button"_s, u"message"_s}
                              << QList<bool>{true, false, true};
    QTest::newRow("a read-only text does not bring it up")
        << QStringList{u"shown"_s} << QList<bool>{};
    QTest::newRow("one we did not bring up is not taken down")
        << QStringList{u"button"_s, u"shown"_s} << QList<bool>{};
}

void TestOnScreenKeyboard::followsTheFocus()
{
    QFETCH(QStringList, focusPath);
    QFETCH(QList<bool>, calls);
    QDBusConnection keyboardBus = mBus.connect(u"keyboard%1"_s.arg(++mConnections));
    KeyboardStandIn keyboard(keyboardBus);
    QVERIFY(keyboard.registered);
    PrivateBus::settle(keyboardBus);

    Form form;
    form.button->setFocus();
    QDBusConnection appBus = mBus.connect(u"app%1"_s.arg(mConnections));
    std::unique_ptr<OnScreenKeyboard> follower(OnScreenKeyboard::install(appBus));
    QVERIFY(follower);                    // Qt's offscreen plugin speaks no text-input protocol
    QTRY_VERIFY(follower->isFollowing()); // its question about the keyboard answered

    for (const QString &name : focusPath) {
        form.byName(name)->setFocus();
        QCOMPARE(QApplication::focusWidget(), form.byName(name));
    }
    // The calls went out in order on one connection: one more round trip
    // and they have all arrived.
    PrivateBus::settle(appBus);
    QTRY_COMPARE(keyboard.calls, calls);
    QCOMPARE(keyboard.visible(), !calls.isEmpty() && calls.last());
}

void TestOnScreenKeyboard::followsAKeyboardThatComesAndGoes()
{
    Form form;
    QDBusConnection appBus = mBus.connect(u"app%1"_s.arg(++mConnections));
    std::unique_ptr<OnScreenKeyboard> follower(OnScreenKeyboard::install(appBus));
    PrivateBus::settle(appBus);
    QCoreApplication::processEvents();
    // No keyboard yet: the focus in a text field waits for one.
    form.field->setFocus();
    QDBusConnection keyboardBus = mBus.connect(u"keyboard%1"_s.arg(mConnections));
    {
        KeyboardStandIn first(keyboardBus);
        QVERIFY(first.registered);
        QTRY_COMPARE(first.calls, QList<bool>{true});
        first.leave(); // squeekboard ends
        QTRY_VERIFY(!follower->isFollowing());
    }
    form.button->setFocus(); // nobody to tell
    KeyboardStandIn second(keyboardBus);
    QVERIFY(second.registered);
    QTRY_VERIFY(follower->isFollowing());
    form.message->setFocus();
    QTRY_COMPARE(second.calls, QList<bool>{true});
}

QTEST_MAIN(TestOnScreenKeyboard)
#include "tst_onscreenkeyboard.moc"
