// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/reminders/ReminderCenter.h"
#include "platform/ui/DatePicker.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextView.h"
#include "screens/Properties.h"
#include "screens/RepeatMode.h"
#include "screens/VelkariViewController.h"
#include "support/AppHarness.h"
#include "support/MockClock.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::AlertView;
using namespace velkari;

namespace {

// The contacts the tests pick from.
const QByteArray contacts = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna;;;\r\nFN:Anna Berg\r\n"
                            "TEL;TYPE=CELL:+46 70 123 45 67\r\nTEL;TYPE=HOME:(08) 555-0100\r\n"
                            "END:VCARD\r\n";

QStringList logMessagesSince(const QString &path, qsizetype offset)
{
    QStringList messages;
    for (const QString &line :
         QString::fromUtf8(readFile(path).mid(offset)).split(u'\n', Qt::SkipEmptyParts))
        messages.append(line.section(u"] "_s, 1));
    return messages;
}

// The list with the new-schedule form open over it.
struct OpenForm {
    explicit OpenForm(const QByteArray &cards = contacts)
        : run(std::nullopt, cards)
    {
        list()->btnAdd();
        form = qobject_cast<Properties *>(list()->presentedViewController());
    }
    VelkariViewController *list() { return run.delegate->viewController(); }
    QString logPath() const { return run.env().documents() + u"/2026-12-07 10:11:12 +0000.log"_s; }
    RepeatMode *openRepeat()
    {
        form->btnSelectRepeat();
        return qobject_cast<RepeatMode *>(form->presentedViewController());
    }
    void pick(int person, int number)
    {
        form->showPicker();
        auto *picker = qobject_cast<platform::PeoplePicker *>(form->presentedViewController());
        QVERIFY(picker);
        picker->selectPerson(person);
        picker->selectPhoneNumber(number);
    }

    MockClock clock;
    AppHarness run;
    Properties *form = nullptr;
};

} // namespace

class TestProperties : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opensAsAFlip();
    void savingAtOnceIsRefused();
    void savesANewScheduleLast();
    void emptyRecipientAndTextAreStoredEmpty();
    void cancelAndClearTouchNothingElse();
    void unreadableStoreRefusesTheSave();
    void repeatPickerRules_data();
    void repeatPickerRules();
    void joinsNames_data();
    void joinsNames();
    void picksTheTappedNumberAsWritten();
    void cancellingThePickerKeepsTheFirstPick();
};

void TestProperties::opensAsAFlip()
{
    OpenForm open;
    QVERIFY(open.form);
    QCOMPARE(open.form->modalTransitionStyle(), platform::ModalTransitionStyle::FlipHorizontal);
    QCOMPARE(open.form->crDate->date(), platform::Clock::now());
    QCOMPARE(open.form->mRepeatIndex, 0);
    QCOMPARE(open.form->lblRepeat->text(), u"None"_s);
}

void TestProperties::savingAtOnceIsRefused()
{
    OpenForm open;
    const qsizetype logged = readFile(open.logPath()).size();
    open.clock.advance(1); // the picker still holds the moment the form opened
    open.form->btnSave();

    const QList<AlertView *> alerts = AlertView::visibleAlerts();
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0]->title(), u""_s);
    QCOMPARE(alerts[0]->message(), u"Error : Time is passed."_s);
    QCOMPARE(alerts[0]->buttonTitleAtIndex(0), u"Ok"_s);
    QCOMPARE(alerts[0]->numberOfButtons(), 1);
    QCOMPARE(open.run.delegate->mList()->size(), 0);
    QVERIFY(open.run.app->scheduledLocalNotifications().isEmpty());
    QCOMPARE(open.list()->presentedViewController(), open.form);
    // Both moments are logged, the count line is not.
    QCOMPARE(logMessagesSince(open.logPath(), logged),
             (QStringList{u"Now=2026/12/7 - 10:11"_s, u"2026/12/7 - 10:11"_s}));

    alerts[0]->dismissWithClickedButtonIndex(0);
    QCOMPARE(open.list()->presentedViewController(), open.form);
}

void TestProperties::savesANewScheduleLast()
{
    OpenForm open;
    const QDateTime when = platform::Clock::now().addSecs(300);
    open.pick(0, 0);
    open.form->crDate->setDate(when);
    open.form->txtMessage->setText(u"See you at eight"_s);
    RepeatMode *repeat = open.openRepeat();
    repeat->didSelectRowAtIndexPath(*repeat->mTableView(), platform::IndexPath::forRow(3));
    repeat->btnDone();
    const qsizetype logged = readFile(open.logPath()).size();
    open.form->btnSave();

    QVERIFY(AlertView::visibleAlerts().isEmpty());
    const QVariantList record = open.run.delegate->mList()->last().toList();
    QCOMPARE(record.size(), 7);
    QVERIFY(QRegularExpression(u"^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"_s)
                .match(record[0].toString())
                .hasMatch());
    QCOMPARE(record.mid(1), (QVariantList{u"Anna Berg"_s, u"+46 70 123 45 67"_s, when,
                                          u"See you at eight"_s, u"0"_s, u"3"_s}));
    QCOMPARE(platform::PropertyList::readArrayFile(open.run.env().dataFile())->size(), 1);

    const QList<platform::Reminder> reminders = open.run.app->scheduledLocalNotifications();
    QCOMPARE(reminders.size(), 1);
    QCOMPARE(reminders[0].userInfo.value(u"ID"_s).toString(), record[0].toString());
    QCOMPARE(reminders[0].repeatInterval, 256);
    QCOMPARE(reminders[0].alertAction, u"Prepare"_s);
    QCOMPARE(reminders[0].alertBody, u"Send SMS to :\nAnna Berg (+46 70 123 45 67) ?"_s);
    QCOMPARE(open.run.app->applicationIconBadgeNumber(), 1);
    QCOMPARE(logMessagesSince(open.logPath(), logged).mid(2), (QStringList{u"icon=1"_s, u"1"_s}));

    QVERIFY(!open.list()->presentedViewController());
    QCOMPARE(open.list()->mTableView()->numberOfRows(), 1);
}

void TestProperties::emptyRecipientAndTextAreStoredEmpty()
{
    OpenForm open;
    open.form->crDate->setDate(platform::Clock::now().addSecs(60));
    open.form->btnSave();
    const QVariantList record = open.run.delegate->mList()->last().toList();
    QCOMPARE(record.size(), 7);
    QCOMPARE(record[1], QVariant(u""_s));
    QCOMPARE(record[2], QVariant(u""_s));
    QCOMPARE(record[4], QVariant(u""_s));
    QCOMPARE(record[6], QVariant(u"0"_s));
    QCOMPARE(open.run.app->scheduledLocalNotifications().first().repeatInterval, 0);
}

void TestProperties::cancelAndClearTouchNothingElse()
{
    OpenForm open;
    const QByteArray file = readFile(open.run.env().dataFile());
    open.pick(0, 1);
    open.form->txtMessage->setText(u"Something"_s);
    open.form->btnClear();
    QCOMPARE(open.form->txtMessage->text(), u""_s);
    QCOMPARE(open.form->lblName->text(), u"Anna Berg"_s); // only the text is cleared

    open.form->txtMessage->setFocus();
    open.form->btnExitTxt();
    QVERIFY(!open.form->txtMessage->hasFocus());

    open.form->btnCancel();
    QVERIFY(!open.list()->presentedViewController());
    QCOMPARE(open.run.delegate->mList()->size(), 0);
    QCOMPARE(readFile(open.run.env().dataFile()), file);
    QVERIFY(open.run.app->scheduledLocalNotifications().isEmpty());
    QCOMPARE(open.run.app->applicationIconBadgeNumber(), 0);
}

void TestProperties::unreadableStoreRefusesTheSave()
{
    OpenForm open;
    QVERIFY(writeFile(open.run.env().dataFile(), "not a property list"));
    open.list()->LoadData(); // as at a start with this file
    for (AlertView *alert : AlertView::visibleAlerts())
        alert->dismissWithClickedButtonIndex(0);
    open.form->crDate->setDate(platform::Clock::now().addSecs(60));
    open.form->btnSave();

    const QList<AlertView *> alerts = AlertView::visibleAlerts();
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0]->title(), u"Velkari"_s);
    QCOMPARE(alerts[0]->message(), u"This schedule can't be saved: "_s + open.run.env().dataFile() +
                                       u" could not be read."_s);
    QVERIFY(open.run.app->scheduledLocalNotifications().isEmpty());
    QCOMPARE(open.list()->presentedViewController(), open.form);
    QCOMPARE(readFile(open.run.env().dataFile()), QByteArray("not a property list"));
}

void TestProperties::repeatPickerRules_data()
{
    QTest::addColumn<QList<int>>("taps");
    QTest::addColumn<bool>("done");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("label");

    QTest::newRow("Done without a tap answers None") << QList<int>{} << true << 0 << u"None"_s;
    QTest::newRow("Week then Day answers Day") << QList<int>{3, 2} << true << 2 << u"Every Day"_s;
    QTest::newRow("month as spelled") << QList<int>{4} << true << 4 << u"Eevery Month"_s;
    QTest::newRow("Cancel keeps the form's mode") << QList<int>{5} << false << 2 << u"Every Day"_s;
}

void TestProperties::repeatPickerRules()
{
    QFETCH(QList<int>, taps);
    QFETCH(bool, done);
    QFETCH(int, index);
    QFETCH(QString, label);

    OpenForm open;
    // The form holds "Every Day" before the picker opens.
    RepeatMode *first = open.openRepeat();
    first->didSelectRowAtIndexPath(*first->mTableView(), platform::IndexPath::forRow(2));
    first->btnDone();
    QCOMPARE(open.form->mRepeatIndex, 2);

    RepeatMode *picker = open.openRepeat();
    QCOMPARE(picker->modalTransitionStyle(), platform::ModalTransitionStyle::CoverVertical);
    QCOMPARE(picker->mTableView()->numberOfRows(), 6);
    QCOMPARE(picker->mTableView()->indexPathForSelectedRow()->row, 0);
    for (int tap : taps)
        picker->didSelectRowAtIndexPath(*picker->mTableView(), platform::IndexPath::forRow(tap));
    if (done)
        picker->btnDone();
    else
        picker->btnCancel();
    QCOMPARE(open.form->mRepeatIndex, index);
    QCOMPARE(open.form->lblRepeat->text(), label);
    QVERIFY(!open.form->presentedViewController());
}

void TestProperties::joinsNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("shown");

    QTest::newRow("both names") << QByteArray("N:Berg;Anna;;;") << u"Anna Berg"_s;
    QTest::newRow("only the last") << QByteArray("N:Berg;;;;") << u" Berg"_s;
    QTest::newRow("only the first") << QByteArray("N:;Anna;;;") << u"Anna "_s;
    QTest::newRow("neither") << QByteArray("N:;;;;") << u" "_s;
    QTest::newRow("a name holding (null)") << QByteArray("N:Berg;Anna(null);;;") << u"Anna Berg"_s;
}

void TestProperties::joinsNames()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, shown);
    OpenForm open("BEGIN:VCARD\nVERSION:3.0\n" + name + "\nTEL:555 0100\nEND:VCARD\n");
    open.pick(0, 0);
    QCOMPARE(open.form->lblName->text(), shown);
    QCOMPARE(open.form->lblNumber->text(), u"555 0100"_s);
    QVERIFY(!open.form->presentedViewController());
}

void TestProperties::picksTheTappedNumberAsWritten()
{
    OpenForm open;
    open.pick(0, 1);
    QCOMPARE(open.form->lblNumber->text(), u"(08) 555-0100"_s);
}

void TestProperties::cancellingThePickerKeepsTheFirstPick()
{
    OpenForm open;
    open.pick(0, 0);
    open.form->showPicker();
    auto *picker = qobject_cast<platform::PeoplePicker *>(open.form->presentedViewController());
    picker->selectPerson(0);
    picker->cancel();
    QVERIFY(!open.form->presentedViewController());
    QCOMPARE(open.form->lblName->text(), u"Anna Berg"_s);
    QCOMPARE(open.form->lblNumber->text(), u"+46 70 123 45 67"_s);
}

QTEST_MAIN(TestProperties)
#include "tst_properties.moc"
