// SPDX-License-Identifier: GPL-3.0-or-later
// The picker over the machine's real Evolution Data Server, beside the two
// contact folders.

#include "platform/contacts/EdsContactSource.h"
#include "platform/ui/Label.h"
#include "platform/ui/PeoplePicker.h"
#include "screens/Properties.h"
#include "screens/VelkariViewController.h"
#include "support/AppHarness.h"
#include "support/EvolutionDataServer.h"
#include "support/People.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::PeoplePicker;
using platform::Person;

namespace {

QByteArray card(const QByteArray &body)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\n" + body + "END:VCARD\r\n";
}

int rowOf(const PeoplePicker &picker, const QString &displayName)
{
    const QList<Person> people = picker.shownPeople();
    for (int row = 0; row < people.size(); ++row) {
        if (people[row].displayName() == displayName)
            return row;
    }
    return -1;
}

// A picker whose sources have all answered.
bool settled(const PeoplePicker &picker)
{
    const auto *eds = picker.findChild<platform::EdsContactSource *>();
    return eds && QTest::qWaitFor([eds] { return !eds->isLoading(); }, 10000);
}

} // namespace

class TestEdsContacts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void listsEveryBookAndBothFoldersOnce();
    void pickingFillsTheForm_data();
    void pickingFillsTheForm();
    void followsEdsWhileOpen();
    void keepsWorkingWhenEdsDies();

private:
    std::unique_ptr<EvolutionDataServer> mEds;
    std::unique_ptr<StderrCapture> mLog;
};

void TestEdsContacts::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English));
    mEds = std::make_unique<EvolutionDataServer>();
    QVERIFY2(mEds->isRunning(), qPrintable(mEds->lastError()));
    QVERIFY2(mEds->saveContacts({
                 card("UID:eds-anna\r\nN:Berg;Anna;;;\r\nFN:Anna Berg\r\n"
                      "TEL;TYPE=CELL:+46 70 123 45 67\r\nTEL;TYPE=HOME:(08) 555-0100\r\n"),
                 card("UID:eds-oster\r\nN:Øster;;;;\r\nFN:Øster\r\nTEL;TYPE=WORK:+47 22 00\r\n"),
                 card("UID:eds-zoe\r\nN:;Zoë;;;\r\nFN:Zoë\r\n"),
                 card("UID:eds-lukasz\r\nN:Żółwiński;Łukasz;;;\r\nTEL:+48 600 000 000\r\n"),
             }),
             qPrintable(mEds->lastError()));
    const QString work = mEds->addBook(u"Work"_s);
    QVERIFY2(!work.isEmpty(), qPrintable(mEds->lastError()));
    QVERIFY2(
        mEds->saveContact(card("UID:work-bo\r\nN:Ahl;Bo;;;\r\nTEL;TYPE=WORK:+46 8 1\r\n"), work),
        qPrintable(mEds->lastError()));
    QVERIFY(!mEds->addBook(u"Broken"_s, "no-such-backend").isEmpty());

    // KDE's folder holds an older copy of Anna (same UID), ours an export of
    // Łukasz without a UID (same names and numbers): both shown once.
    const QString kde = mEds->env().dataHome() + u"/kpeoplevcard"_s;
    const QString own = mEds->env().dataHome() + u"/Velkari/Contacts"_s;
    QVERIFY(QDir().mkpath(kde) && QDir().mkpath(own));
    QVERIFY(writeFile(kde + u"/a.vcf"_s,
                      card("UID:eds-anna\r\nN:Berg;Anna;;;\r\nTEL:+46 70 123 45 67\r\n") +
                          card("N:Dahl;Eva;;;\r\nTEL:1\r\n")));
    QVERIFY(writeFile(own + u"/b.vcf"_s, card("N:Żółwiński;Łukasz;;;\r\nTEL:+48 600 000 000\r\n") +
                                             card("N:Ek;Ola;;;\r\nTEL:2\r\n")));
    mLog = std::make_unique<StderrCapture>();
}

void TestEdsContacts::listsEveryBookAndBothFoldersOnce()
{
    PeoplePicker picker;
    // The folders at once, without waiting for EDS.
    QCOMPARE(
        describe(picker.shownPeople()),
        (QStringList{u"Anna / Berg | other: +46 70 123 45 67"_s, u"Eva / Dahl | other: 1"_s,
                     u"Ola / Ek | other: 2"_s, u"Łukasz / Żółwiński | other: +48 600 000 000"_s}));
    QVERIFY(settled(picker));
    QCOMPARE(describe(picker.shownPeople()),
             (QStringList{
                 u"Bo / Ahl | work: +46 8 1"_s,
                 u"Anna / Berg | mobile: +46 70 123 45 67 | home: (08) 555-0100"_s,
                 u"Eva / Dahl | other: 1"_s,
                 u"Ola / Ek | other: 2"_s,
                 u"∅ / Øster | work: +47 22 00"_s,
                 u"Zoë / ∅"_s,
                 u"Łukasz / Żółwiński | other: +48 600 000 000"_s,
             }));
    // The book that cannot be opened costs one line, nothing else.
    QCOMPARE(mLog->text().count(u"address book \"Broken\" skipped"_s), 1);
}

void TestEdsContacts::pickingFillsTheForm_data()
{
    QTest::addColumn<QString>("person");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shownNumber");
    QTest::newRow("second of two numbers")
        << u"Anna Berg"_s << 1 << u"Anna Berg"_s << u"(08) 555-0100"_s;
    QTest::newRow("family name only") << u"Øster"_s << 0 << u" Øster"_s << u"+47 22 00"_s;
    QTest::newRow("not ASCII") << u"Łukasz Żółwiński"_s << 0 << u"Łukasz Żółwiński"_s
                               << u"+48 600 000 000"_s;
}

void TestEdsContacts::pickingFillsTheForm()
{
    QFETCH(QString, person);
    QFETCH(int, number);
    QFETCH(QString, name);
    QFETCH(QString, shownNumber);
    AppHarness run; // its own folders, empty: the people come from EDS
    run.delegate->viewController()->btnAdd();
    auto *form = qobject_cast<velkari::Properties *>(
        run.delegate->viewController()->presentedViewController());
    QVERIFY(form);
    form->showPicker();
    auto *picker = qobject_cast<PeoplePicker *>(form->presentedViewController());
    QVERIFY(picker && settled(*picker));
    picker->selectPerson(rowOf(*picker, person));
    picker->selectPhoneNumber(number);
    QCOMPARE(form->lblName->text(), name);
    QCOMPARE(form->lblNumber->text(), shownNumber);
}

void TestEdsContacts::followsEdsWhileOpen()
{
    PeoplePicker picker;
    QVERIFY(settled(picker));
    QVERIFY(mEds->saveContact(card("UID:eds-new\r\nN:Aalto;Alvar;;;\r\nTEL:+358 9 1\r\n")));
    QTRY_COMPARE(picker.shownPeople().value(0).displayName(), u"Alvar Aalto"_s);
    QVERIFY(mEds->saveContact(card("UID:eds-new\r\nN:Aalto;Aino;;;\r\nTEL:+358 9 2\r\n")));
    QTRY_COMPARE(describe({picker.shownPeople().value(0)}),
                 QStringList{u"Aino / Aalto | other: +358 9 2"_s});
    QVERIFY(mEds->removeContact(u"eds-new"_s));
    QTRY_COMPARE(picker.shownPeople().value(0).displayName(), u"Bo Ahl"_s);
    QCOMPARE(picker.shownPeople().size(), 7);

    // A book added meanwhile is followed too.
    const QString later = mEds->addBook(u"Later"_s);
    QVERIFY2(!later.isEmpty(), qPrintable(mEds->lastError()));
    QVERIFY2(mEds->saveContact(card("UID:later-al\r\nN:Aalto;Alvar;;;\r\nTEL:4\r\n"), later),
             qPrintable(mEds->lastError()));
    QTRY_COMPARE(picker.shownPeople().value(0).displayName(), u"Alvar Aalto"_s);
    QVERIFY(mEds->removeContact(u"later-al"_s, later));
    QTRY_COMPARE(picker.shownPeople().size(), 7);
    QVERIFY(!mLog->text().contains(u"\"Later\" skipped"_s));
}

void TestEdsContacts::keepsWorkingWhenEdsDies()
{
    PeoplePicker picker;
    QVERIFY(settled(picker));
    mEds->kill();
    // What was read stays, the search still works, the folders still follow.
    QTRY_VERIFY(mLog->text().contains(u"went away"_s));
    QCOMPARE(picker.shownPeople().size(), 7);
    picker.search(u"Zoë"_s);
    QCOMPARE(describe(picker.shownPeople()), QStringList{u"Zoë / ∅"_s});
    picker.search(QString());
    QVERIFY(writeFile(mEds->env().dataHome() + u"/Velkari/Contacts/c.vcf"_s,
                      card("N:Ny;Nils;;;\r\nTEL:3\r\n")));
    QTRY_COMPARE(picker.shownPeople().size(), 8);
    QVERIFY(QFile::remove(mEds->env().dataHome() + u"/Velkari/Contacts/c.vcf"_s));

    // A picker opened now shows the folders at once.
    PeoplePicker again;
    QCOMPARE(again.shownPeople().size(), 4);
}

QTEST_MAIN(TestEdsContacts)
#include "tst_edscontacts.moc"
