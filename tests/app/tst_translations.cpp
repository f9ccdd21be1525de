// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Translations.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/MessageComposer.h"
#include "platform/ui/PeoplePicker.h"
#include "screens/Properties.h"
#include "screens/VelkariViewController.h"
#include "support/AppHarness.h"
#include "support/MockClock.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace velkari;

// Runs under LANG=de_DE.UTF-8 (set by the build): the platform's own texts
// come in German, while the texts of the app's screens and alerts stay as
// they are written, in every language.
class TestTranslations : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void shownTexts_data();
    void shownTexts();

private:
    QHash<QString, QString> mShown;
};

namespace {

QString buttonText(platform::ViewController *screen, const QString &name)
{
    auto *button = screen ? screen->view()->findChild<QAbstractButton *>(name) : nullptr;
    return button ? button->text() : u"(no %1)"_s.arg(name);
}

} // namespace

void TestTranslations::initTestCase()
{
    QVERIFY(platform::installTranslations());

    MockClock clock;
    AppHarness run;
    VelkariViewController *list = run.delegate->viewController();
    mShown[u"list empty hint"_s] = list->mTableView()->placeholderText();
    if (auto *add = list->view()->findChild<QWidget *>(u"btnAdd"_s))
        mShown[u"add button"_s] = add->accessibleName();
    list->btnAdd();
    auto *form = qobject_cast<Properties *>(list->presentedViewController());
    QVERIFY(form);
    mShown[u"form Cancel"_s] = buttonText(form, u"btnCancel"_s);
    mShown[u"form Save"_s] = buttonText(form, u"btnSave"_s);
    mShown[u"repeat mode 4"_s] = run.delegate->mRepeatList().value(4);
    if (auto *quit = run.delegate->window()->findChild<QAction *>(u"actionQuit"_s))
        mShown[u"window Quit"_s] = quit->text();

    clock.advance(1);
    form->btnSave();
    const QList<platform::AlertView *> alerts = platform::AlertView::visibleAlerts();
    QCOMPARE(alerts.size(), 1);
    mShown[u"passed alert"_s] = alerts[0]->message();
    mShown[u"passed alert button"_s] = alerts[0]->buttonTitleAtIndex(0);
    alerts[0]->dismissWithClickedButtonIndex(0);

    form->showPicker();
    auto *picker = qobject_cast<platform::PeoplePicker *>(form->presentedViewController());
    QVERIFY(picker);
    mShown[u"picker Cancel"_s] = buttonText(picker, u"btnCancel"_s);
    if (auto *search = picker->view()->findChild<QLineEdit *>(u"search"_s))
        mShown[u"picker search"_s] = search->placeholderText();

    mShown[u"tray Show"_s] = QCoreApplication::translate("platform::Tray", "Show Velkari");
    // Qt's own, as a text field's context menu asks for it.
    mShown[u"text field Copy"_s] = QCoreApplication::translate("QLineEdit", "&Copy");

    platform::MessageComposer composer;
    mShown[u"composer Cancel"_s] = buttonText(&composer, u"btnCancel"_s);
    mShown[u"composer Send"_s] = buttonText(&composer, u"btnSend"_s);
}

void TestTranslations::shownTexts_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("shown");

    // The platform's own.
    QTest::newRow("composer Cancel") << u"composer Cancel"_s << u"Abbrechen"_s;
    QTest::newRow("composer Send") << u"composer Send"_s << u"Senden"_s;
    QTest::newRow("picker Cancel") << u"picker Cancel"_s << u"Abbrechen"_s;
    QTest::newRow("picker search") << u"picker search"_s << u"Suchen"_s;
    QTest::newRow("window Quit") << u"window Quit"_s << u"Beenden"_s;
    QTest::newRow("tray Show") << u"tray Show"_s << u"Velkari zeigen"_s;
    QTest::newRow("text field menu") << u"text field Copy"_s << u"&Kopieren"_s;
    QTest::newRow("list empty hint")
        << u"list empty hint"_s << u"Noch keine Termine.\nFügen Sie mit + einen hinzu."_s;
    QTest::newRow("add button, to a screen reader") << u"add button"_s << u"Termin hinzufügen"_s;
    // The app's own, unchanged.
    QTest::newRow("form Cancel") << u"form Cancel"_s << u"Cancel"_s;
    QTest::newRow("form Save") << u"form Save"_s << u"Save"_s;
    QTest::newRow("repeat mode 4") << u"repeat mode 4"_s << u"Eevery Month"_s;
    QTest::newRow("passed alert") << u"passed alert"_s << u"Error : Time is passed."_s;
    QTest::newRow("passed alert button") << u"passed alert button"_s << u"Ok"_s;
}

void TestTranslations::shownTexts()
{
    QFETCH(QString, where);
    QFETCH(QString, shown);
    QCOMPARE(mShown.value(where, u"(not found)"_s), shown);
}

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
