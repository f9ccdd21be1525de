// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/AlertView.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::AlertView;

namespace {

class Answers : public platform::AlertViewDelegate {
public:
    void alertViewClickedButtonAtIndex(AlertView &alert, int index) override
    {
        heard.append({alert.title(), index});
    }
    QList<std::pair<QString, int>> heard;
};

QPushButton *buttonTitled(QMessageBox *box, const QString &title)
{
    for (QAbstractButton *button : box->buttons()) {
        if (button->text() == title)
            return qobject_cast<QPushButton *>(button);
    }
    return nullptr;
}

} // namespace

class TestAlertView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void numbersButtonsFromTheCancelButton_data();
    void numbersButtonsFromTheCancelButton();
    void showsWithoutBlocking();
    void answersOnceAndGoes();
    void keysAnswerAndButtonsFitAFinger_data();
    void keysAnswerAndButtonsFitAFinger();
    void alertsStandSideBySide();
};

void TestAlertView::cleanup()
{
    for (AlertView *alert : AlertView::visibleAlerts())
        alert->dismissWithClickedButtonIndex(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestAlertView::numbersButtonsFromTheCancelButton_data()
{
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<int>("index");

    QTest::newRow("cancel") << u"Cancel"_s << QStringList{u"Prepare"_s} << u"Cancel"_s << 0;
    QTest::newRow("other after cancel")
        << u"Cancel"_s << QStringList{u"Prepare"_s} << u"Prepare"_s << 1;
    QTest::newRow("second other") << u"No"_s << QStringList{u"Yes"_s, u"Later"_s} << u"Later"_s
                                  << 2;
    QTest::newRow("no cancel button") << QString() << QStringList{u"A"_s, u"B"_s} << u"A"_s << 0;
    QTest::newRow("single button") << u"OK"_s << QStringList() << u"OK"_s << 0;
}

void TestAlertView::numbersButtonsFromTheCancelButton()
{
    QFETCH(QString, cancel);
    QFETCH(QStringList, others);
    QFETCH(QString, pressed);
    QFETCH(int, index);

    Answers answers;
    AlertView *alert =
        AlertView::show(u"Velkari"_s, u"Send SMS to :\nAnna (555) ?"_s, &answers, cancel, others);
    QTRY_VERIFY(alert->dialog() && alert->dialog()->isVisible());
    QCOMPARE(alert->numberOfButtons(), int(others.size()) + (cancel.isEmpty() ? 0 : 1));
    QPushButton *button = buttonTitled(alert->dialog(), pressed);
    QVERIFY(button);
    QCOMPARE(button->accessibleName(), pressed);
    button->click();
    QCOMPARE(answers.heard, (QList<std::pair<QString, int>>{{u"Velkari"_s, index}}));
}

void TestAlertView::showsWithoutBlocking()
{
    AlertView *alert = AlertView::show(u"Velkari"_s, u"Failed"_s, nullptr, u"OK"_s);
    // Returned at once, and listed before it is even painted.
    QCOMPARE(AlertView::visibleAlerts(), QList<AlertView *>{alert});
    QTRY_VERIFY(alert->dialog() && alert->dialog()->isVisible());
    QCOMPARE(alert->dialog()->text(), u"Velkari"_s);
    QCOMPARE(alert->dialog()->informativeText(), u"Failed"_s);
    QCOMPARE(alert->dialog()->accessibleName(), u"Velkari"_s);
}

void TestAlertView::answersOnceAndGoes()
{
    Answers answers;
    QPointer<AlertView> alert =
        AlertView::show(u"T"_s, u"M"_s, &answers, u"Cancel"_s, {u"Prepare"_s});
    alert->dismissWithClickedButtonIndex(1);
    alert->dismissWithClickedButtonIndex(0);
    QCOMPARE(answers.heard.size(), 1);
    QCOMPARE(answers.heard.first().second, 1);
    QVERIFY(AlertView::visibleAlerts().isEmpty());
    // Answered before it reached the screen: it never appears.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(alert.isNull());
}

void TestAlertView::keysAnswerAndButtonsFitAFinger_data()
{
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("index");

    QTest::newRow("Escape answers Cancel")
        << u"Cancel"_s << QStringList{u"Prepare"_s} << int(Qt::Key_Escape) << 0;
    QTest::newRow("Enter answers the last button")
        << u"Cancel"_s << QStringList{u"Prepare"_s} << int(Qt::Key_Return) << 1;
    QTest::newRow("Enter answers a lone Ok") << u"Ok"_s << QStringList() << int(Qt::Key_Enter) << 0;
    QTest::newRow("Escape answers No")
        << u"No"_s << QStringList{u"Yes"_s} << int(Qt::Key_Escape) << 0;
}

void TestAlertView::keysAnswerAndButtonsFitAFinger()
{
    QFETCH(QString, cancel);
    QFETCH(QStringList, others);
    QFETCH(int, key);
    QFETCH(int, index);

    Answers answers;
    AlertView *alert = AlertView::show(u"T"_s, u"M"_s, &answers, cancel, others);
    QTRY_VERIFY(alert->dialog() && alert->dialog()->isVisible());
    // As laid out on screen, however short the title.
    QStringList small;
    for (QAbstractButton *button : alert->dialog()->buttons()) {
        if (button->height() < 44 || button->width() < 44)
            small.append(button->text());
    }
    QTest::keyClick(alert->dialog(), Qt::Key(key));
    QCOMPARE(answers.heard, (QList<std::pair<QString, int>>{{u"T"_s, index}}));
    QVERIFY2(small.isEmpty(), qPrintable(small.join(u", "_s)));
}

void TestAlertView::alertsStandSideBySide()
{
    Answers answers;
    AlertView *first = AlertView::show(u"first"_s, u"M"_s, &answers, u"Cancel"_s, {u"Prepare"_s});
    AlertView *second = AlertView::show(u"second"_s, u"M"_s, &answers, u"Cancel"_s, {u"Prepare"_s});
    QCOMPARE(AlertView::visibleAlerts(), (QList<AlertView *>{first, second}));
    QTRY_VERIFY(first->dialog() && second->dialog());
    buttonTitled(second->dialog(), u"Prepare"_s)->click();
    QCOMPARE(AlertView::visibleAlerts(), QList<AlertView *>{first});
    QVERIFY(first->dialog()->isVisible());
    buttonTitled(first->dialog(), u"Cancel"_s)->click();
    QCOMPARE(answers.heard, (QList<std::pair<QString, int>>{{u"second"_s, 1}, {u"first"_s, 0}}));
}

QTEST_MAIN(TestAlertView)
#include "tst_alertview.moc"
