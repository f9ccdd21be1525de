// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/PeoplePicker.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::PeoplePicker;
using platform::Person;

namespace {

// Writes down what the picker tells its delegate.
class Answers : public platform::PeoplePickerDelegate {
public:
    QStringList heard;
    bool continueWithPerson = true;

    bool peoplePickerShouldContinueAfterSelectingPerson(PeoplePicker &,
                                                        const Person &person) override
    {
        heard.append(u"person "_s + person.displayName());
        return continueWithPerson;
    }
    bool peoplePickerShouldContinueAfterSelectingPerson(PeoplePicker &, const Person &person,
                                                        int property, int identifier) override
    {
        const qsizetype index = person.indexOfPhoneNumber(identifier);
        heard.append(u"number %1 %2"_s.arg(property).arg(person.phoneNumbers.at(index).value));
        return false;
    }
    void peoplePickerDidCancel(PeoplePicker &) override { heard.append(u"cancel"_s); }
};

const QByteArray people = "BEGIN:VCARD\nVERSION:3.0\nN:Ørn;Carl;;;\nTEL:1\nEND:VCARD\n"
                          "BEGIN:VCARD\nVERSION:3.0\nN:berg;anna;;;\nTEL:2\nTEL:3\nEND:VCARD\n"
                          "BEGIN:VCARD\nVERSION:3.0\nN:Dahl;Eva;;;\nEND:VCARD\n";

QStringList names(const QList<Person> &list)
{
    QStringList result;
    for (const Person &person : list)
        result.append(person.displayName());
    return result;
}

} // namespace

class TestPeoplePicker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyBookSaysWhereContactsComeFrom();
    void listsSortedAndSearchable();
    void showsOnlyPhoneNumbersAndAsksTheDelegate();
    void followsTheFoldersWhileOpen();
};

void TestPeoplePicker::emptyBookSaysWhereContactsComeFrom()
{
    TestEnvironment env;
    StderrCapture log;
    PeoplePicker picker;
    auto *empty = picker.view()->findChild<QLabel *>(u"emptyAddressBook"_s);
    QVERIFY(empty);
    QTRY_VERIFY(!empty->isHidden()); // once Evolution Data Server is known to be out of reach
    QVERIFY(empty->text().contains(env.dataHome() + u"/Velkari/Contacts"_s));
    QVERIFY(empty->text().contains(env.dataHome() + u"/kpeoplevcard"_s));
    QVERIFY(picker.view()->findChild<platform::TableView *>(u"peopleTable"_s)->isHidden());
#ifdef VELKARI_WITH_EDS
    // The tests' session bus leads nowhere: said once, and nothing else fails.
    QCOMPARE(log.text().count(u"Evolution Data Server not read, no session bus"_s), 1);
#endif
}

void TestPeoplePicker::listsSortedAndSearchable()
{
    TestEnvironment env;
    const QString folder = env.dataHome() + u"/Velkari/Contacts"_s;
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(folder + u"/all.vcf"_s, people));
    QLocale::setDefault(QLocale(QLocale::English));
    PeoplePicker picker;
    QCOMPARE(names(picker.shownPeople()),
             (QStringList{u"anna berg"_s, u"Eva Dahl"_s, u"Carl Ørn"_s}));
    picker.view()->findChild<QLineEdit *>(u"search"_s)->setText(u"DAHL"_s);
    QCOMPARE(names(picker.shownPeople()), QStringList{u"Eva Dahl"_s});
    picker.search(u""_s);
    QCOMPARE(picker.shownPeople().size(), 3);
}

void TestPeoplePicker::showsOnlyPhoneNumbersAndAsksTheDelegate()
{
    TestEnvironment env;
    const QString folder = env.dataHome() + u"/Velkari/Contacts"_s;
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(folder + u"/all.vcf"_s, people));
    Answers answers;
    PeoplePicker picker;
    picker.setDisplayedProperties({platform::PersonProperty::Phone});
    picker.setPeoplePickerDelegate(&answers);
    picker.view();

    answers.continueWithPerson = false;
    picker.selectPerson(0);
    QVERIFY(!picker.shownPerson()); // the delegate said no
    answers.continueWithPerson = true;
    picker.selectPerson(0);
    QCOMPARE(picker.shownPerson()->displayName(), u"anna berg"_s);
    auto *numbers = picker.view()->findChild<platform::TableView *>(u"numbersTable"_s);
    QCOMPARE(numbers->numberOfRows(), 2);
    picker.selectPhoneNumber(1);
    picker.cancel();
    QCOMPARE(answers.heard, (QStringList{u"person anna berg"_s, u"person anna berg"_s,
                                         u"number 3 3"_s, u"cancel"_s}));

    // Told to show no phone numbers, it offers none.
    picker.setDisplayedProperties({platform::PersonProperty::FirstName});
    numbers->reloadData();
    QCOMPARE(numbers->numberOfRows(), 0);
}

void TestPeoplePicker::followsTheFoldersWhileOpen()
{
    TestEnvironment env;
    const QString kde = env.dataHome() + u"/kpeoplevcard"_s;
    const QString own = env.dataHome() + u"/Velkari/Contacts"_s;
    QVERIFY(QDir().mkpath(kde));
    QVERIFY(QDir().mkpath(own));
    PeoplePicker picker;
    auto *empty = picker.view()->findChild<QLabel *>(u"emptyAddressBook"_s);
    QTRY_VERIFY(!empty->isHidden());

    // Added, changed in place, added elsewhere, removed: each one shows.
    QVERIFY(writeFile(kde + u"/a.vcf"_s, "BEGIN:VCARD\r\nN:Berg;Anna\r\nEND:VCARD\r\n"));
    QTRY_COMPARE(names(picker.shownPeople()), QStringList{u"Anna Berg"_s});
    QVERIFY(empty->isHidden());
    QVERIFY(writeFile(kde + u"/a.vcf"_s, "BEGIN:VCARD\r\nN:Berg;Annika\r\nEND:VCARD\r\n"));
    QTRY_COMPARE(names(picker.shownPeople()), QStringList{u"Annika Berg"_s});
    QVERIFY(writeFile(own + u"/b.vcf"_s, "BEGIN:VCARD\r\nN:Ahl;Bo\r\nEND:VCARD\r\n"));
    QTRY_COMPARE(names(picker.shownPeople()), (QStringList{u"Bo Ahl"_s, u"Annika Berg"_s}));
    QVERIFY(QFile::remove(kde + u"/a.vcf"_s));
    QVERIFY(QFile::remove(own + u"/b.vcf"_s));
    QTRY_VERIFY(picker.shownPeople().isEmpty());
    QVERIFY(!empty->isHidden());
}

QTEST_MAIN(TestPeoplePicker)
#include "tst_peoplepicker.moc"
