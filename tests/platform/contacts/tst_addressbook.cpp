// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/contacts/AddressBook.h"
#include "support/People.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using platform::AddressBook;
using platform::Person;
using platform::PhoneNumber;

namespace {

// What every reading promises, whatever the bytes: empty when it holds.
QString brokenPromise(const QList<Person> &people)
{
    auto bad = [](const QString &text, qsizetype limit) {
        return text.isEmpty() || text.size() > limit || text != text.simplified();
    };
    for (const Person &person : people) {
        const bool named = !person.firstName.isNull() || !person.lastName.isNull();
        if (!named && person.phoneNumbers.isEmpty())
            return u"a person with neither name nor number"_s;
        for (const QString &part : {person.firstName, person.lastName}) {
            if (!part.isNull() && bad(part, AddressBook::MaximumTextLength))
                return u"a bad name: "_s + part;
        }
        if (person.phoneNumbers.size() > AddressBook::MaximumPhoneNumbers)
            return u"too many numbers"_s;
        for (qsizetype i = 0; i < person.phoneNumbers.size(); ++i) {
            const PhoneNumber &number = person.phoneNumbers[i];
            if (person.indexOfPhoneNumber(number.identifier) != i)
                return u"identifiers not unique"_s;
            if (bad(number.label, AddressBook::MaximumTextLength) || number.value.isEmpty() ||
                number.value != number.value.trimmed() ||
                number.value.size() > AddressBook::MaximumNumberLength ||
                std::any_of(number.value.begin(), number.value.end(),
                            [](QChar c) { return c.category() == QChar::Other_Control; }))
                return u"a bad number: "_s + number.value;
        }
    }
    return QString();
}

QByteArray card(const QByteArray &body, const QByteArray &version = "3.0")
{
    return "BEGIN:VCARD\r\nVERSION:" + version + "\r\n" + body + "END:VCARD\r\n";
}

// The text with a byte-order mark, as Windows programs write UTF-16.
QByteArray encoded(const QString &text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder(text);
}

} // namespace

class TestAddressBook : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsExports_data();
    void readsExports();
    void readsCards_data();
    void readsCards();
    void boundsWhatACardCanCost();
    void survivesFuzzerFindings_data();
    void survivesFuzzerFindings();
    void loadsTheContactsFolder();
    void readsOnlyTheFirstBytesOfAHugeFile();
    void missingFolderGivesAnEmptyBook();
    void mergesTheFolders_data();
    void mergesTheFolders();
    void sortsForDisplay_data();
    void sortsForDisplay();
};

void TestAddressBook::readsExports_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("Google Contacts 3.0")
        << u"google-contacts-3.0.vcf"_s
        << QStringList{
               u"Anna / Berg | mobile: +46 70 123 45 67 | home: 08-123 456 78 | Stuga: +46 8 555 010 00"_s,
               u"José María / Núñez | work: +34 91 555 01 23 | main: +34 91 555 00 00"_s,
               u"Pizza Roma / ∅ | work: (555) 010-4477"_s, u"∅ / ∅ | mobile: +1 555 010 9999"_s,
               u"Björk / ∅ | work fax: +354 555 0101 | pager: +354 555 0102 | other: +354 555 0103"_s};
    QTest::newRow("iPhone/iCloud 3.0")
        << u"iphone-icloud-3.0.vcf"_s
        << QStringList{
               u"Erik / Lind | mobile: +46 70 111 22 33 | iPhone: +46 73 444 55 66 | home: 08-765 43 21 | other: +46 8 999 88 77 | Oma's Handy: +46 70 000 11 22 | home fax: +46 8 765 43 20"_s,
               u"Systembolaget / ∅ | main: 020-120 120 00"_s,
               u"Lisa / Åberg | work: +46 31 555 12 34 | mobile: +46 76 555 12 35 | pager: +46 76 555 12 36"_s};
    QTest::newRow("Android 2.1")
        << u"android-2.1.vcf"_s
        << QStringList{
               u"Karl / Svensson | mobile: +46701234567 | home: +4687654321 | work: +4631123456"_s,
               u"Märta / Östberg | mobile: 070-111 22 33 | work fax: 08-111 22 34"_s,
               u"Александра Владимировна / Константинопольская | mobile: +7 916 555-01-23"_s,
               u"太郎 / 山田 | home: 03-1234-5678"_s};
    QTest::newRow("Nokia/Sony Ericsson 2.1")
        << u"nokia-2.1.vcf"_s
        << QStringList{u"Björn / Jörgensen | mobile: +46 70 987 65 43 | home: +46 40 12 34 56"_s,
                       u"Matti / Virtanen | mobile: +358401234567 | work: +35891234567"_s,
                       u"Päivi / Häkkinen | mobile: +358 50 765 4321"_s};
    QTest::newRow("Outlook 2.1")
        << u"outlook-2.1.vcf"_s
        << QStringList{
               u"Hans-Jürgen / Müller | work: +49 (30) 1234567 | home: +49 (30) 7654321 | mobile: +49 (170) 1234567 | work fax: +49 (30) 1234568 | home fax: +49 (30) 7654322 | pager: +49 (160) 99999"_s,
               u"Françoise / Lévesque | work: +33 1 23 45 67 89 | mobile: 06 12 34 56 78"_s,
               u"Seán / O’Brien | mobile: +353 87 123 4567"_s};
    QTest::newRow("Thunderbird 3.0")
        << u"thunderbird-3.0.vcf"_s
        << QStringList{
               u"Anna / Karlsson | work: 040-12 34 56 | fax: 040-12 34 57 | pager: 0740-12 34 56 | home: 040-65 43 21 | mobile: 0701-23 45 67"_s,
               u"Thi Minh / Nguyen | mobile: +84 90 555 0100"_s};
    QTest::newRow("vCard 4.0")
        << u"vcard-4.0.vcf"_s
        << QStringList{
               u"John Philip / Stevenson | mobile: +1-555-555-0100 | work: +1-555-555-0199 | home: +44-20-7946-0000 | work fax: +1-555-555-0123 | main: +1 (555) 555-0111"_s,
               u"Ola Nordmann / ∅ | mobile: +47 912 34 567"_s,
               u"Example Corp. / ∅ | other: +1-555-555-0000"_s,
               u"Gabriel / García Márquez | mobile: +57-1-555-0100"_s};
    QTest::newRow("Latin-1 without charset")
        << u"latin1.vcf"_s
        << QStringList{u"Jürgen / Müller | mobile: +49 171 5550100"_s,
                       u"Sølvi / Åström | home: +47 22 55 50 10"_s,
                       u"João / Ferreira | work: +351 21 555 0100"_s};
    QTest::newRow("damaged cards among good ones")
        << u"broken.vcf"_s
        << QStringList{
               u"First / Good | mobile: +1 555 0001"_s, u"Second / Good | home: +1 555 0003"_s,
               u"Nested / Inner | mobile: +1 555 0004"_s, u"Third / Good | work: +1 555 0006"_s};
}

void TestAddressBook::readsExports()
{
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    const QByteArray bytes = readFile(testDataPath(u"vcard/"_s + file));
    QVERIFY(!bytes.isEmpty());
    const QList<Person> people = AddressBook::parseVCards(bytes);
    QCOMPARE(describe(people), expected);
    QCOMPARE(brokenPromise(people), QString());
}

void TestAddressBook::readsCards_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected"); // one line per person

    const QByteArray good = card("N:Good\r\nTEL:1\r\n");
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 7919 + 13) % 256);
    const QString utf16 = u"BEGIN:VCARD\r\nN:Öberg\r\nEND:VCARD\r\n"_s;

    QTest::newRow("3.0 unfolds dropping one blank")
        << card("N:Ber\r\n g;An\r\n\tna;;;\r\nTE\r\n L;TYPE=CE\r\n LL:+1 555\r\n  0100\r\n")
        << u"Anna / Berg | mobile: +1 555 0100"_s;
    QTest::newRow("2.1 unfolds keeping the blank")
        << card("N:Berg;Anna\r\n Maria\r\n", "2.1") << u"Anna Maria / Berg"_s;
    QTest::newRow("LF and lone CR line ends")
        << QByteArray("BEGIN:VCARD\nVERSION:3.0\rN:Berg;Anna\r\nTEL:1\n\rEND:VCARD")
        << u"Anna / Berg | other: 1"_s;
    QTest::newRow("soft line breaks, even inside an escape")
        << card("N;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:M=C3=BC=\r\nller;J=C3=\r\n=BCrgen\r\n",
                "2.1")
        << u"Jürgen / Müller"_s;
    QTest::newRow("ISO-8859-15") << card("N;CHARSET=ISO-8859-15:\xBCuvray;Zo\xE9\r\n")
                                 << u"Zoé / Œuvray"_s;
    QTest::newRow("unknown charset read as UTF-8")
        << card("N;CHARSET=X-MAC-ROMAN:Müller\r\n") << u"∅ / Müller"_s;
    QTest::newRow("escapes") << card("N:O\\,Neil\\;Jr;Anna\\\\Lee\\nMarie;;;\r\n")
                             << u"Anna\\Lee Marie / O,Neil;Jr"_s;
    QTest::newRow("2.1 has no lists of names")
        << card("N:Smith, Jr.;John\r\n", "2.1") << u"John / Smith, Jr."_s;
    QTest::newRow("types, in every form")
        << card("TEL;TYPE=cell,voice:1\r\nTEL;TYPE=\"voice,cell\":2\r\nTEL;type=voice;TYPE=cell:"
                "3\r\n"
                "TEL;CELL;VOICE:4\r\nTEL;Type=PCS:5\r\nTEL;TYPE=OTHER,FAX:6\r\nTEL;TYPE=VOICE:7\r\n"
                "TEL;TYPE=X-CAR:8\r\nTEL;TYPE=WORK,CELL:9\r\n")
        << u"∅ / ∅ | mobile: 1 | mobile: 2 | mobile: 3 | mobile: 4 | mobile: 5 | other fax: 6 | other: 7 | other: 8 | mobile: 9"_s;
    QTest::newRow("Apple labels")
        << card("item1.X-ABLabel:_$!<WorkFAX>!$_\r\nITEM1.TEL;TYPE=CELL:1\r\nitem2.TEL:2\r\n"
                "item2.X-ABLabel:Work\\, Berlin\r\nitem3.TEL;TYPE=HOME:3\r\nitem3.X-ABLabel:\r\n"
                "item4.TEL;TYPE=HOME:4\r\nitem5.X-ABLabel:Unused\r\nitem6.TEL:6\r\n"
                "item6.X-ABLabel:_$!<School>!$_\r\n")
        << u"∅ / ∅ | work fax: 1 | Work, Berlin: 2 | home: 3 | home: 4 | School: 6"_s;
    QTest::newRow("tel: URIs and other numbers")
        << card("TEL:tel:%2B46%2070;phone-context=x\r\nTEL;VALUE=uri:sip:anna@example.com\r\nTEL:"
                "555\\,0100\r\n",
                "4.0")
        << u"∅ / ∅ | other: +46 70 | other: sip:anna@example.com | other: 555,0100"_s;
    QTest::newRow("numbers that are none are dropped")
        << card("TEL:\r\nTEL: \r\nTEL;ENCODING=QUOTED-PRINTABLE:1=0A2\r\nTEL:" +
                QByteArray(129, '5') + "\r\nTEL:tel:\r\nTEL:9\r\n")
        << u"∅ / ∅ | other: 9"_s;
    QTest::newRow("byte-order marks, also where files were joined")
        << "\xEF\xBB\xBF" + card("N:A\r\n") + "\xEF\xBB\xBF" + card("N:B\r\n") << u"∅ / A\n∅ / B"_s;
    QTest::newRow("UTF-16 little endian")
        << encoded(utf16, QStringConverter::Utf16LE) << u"∅ / Öberg"_s;
    QTest::newRow("UTF-16 big endian")
        << encoded(utf16, QStringConverter::Utf16BE) << u"∅ / Öberg"_s;
    QTest::newRow("folded text that looks like a property")
        << card("NOTE:call\r\n TEL:+1 555 9999\r\nTEL:1\r\n") << u"∅ / ∅ | other: 1"_s;
    QTest::newRow("a soft line break does not swallow END")
        << card("N:Berg\r\nNOTE;QUOTED-PRINTABLE:abc=\r\n", "2.1") + card("N:Lind\r\n")
        << u"∅ / Berg\n∅ / Lind"_s;
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("only a byte-order mark") << QByteArray("\xEF\xBB\xBF") << QString();
    QTest::newRow("junk around a card") << junk + "\r\n" + good + junk << u"∅ / Good | other: 1"_s;
    QTest::newRow("NUL bytes inside a card")
        << card(QByteArrayLiteral("NOTE:a\0b\r\nN:Go\0od\r\nTEL:1\r\n"))
        << u"∅ / Go od | other: 1"_s;
    QTest::newRow("other kinds of BEGIN")
        << "BEGIN:VCALENDAR\r\n" + card("BEGIN:X-THING\r\nN:Good\r\nEND:X-THING\r\n") +
               "END:VCALENDAR\r\n"
        << u"∅ / Good"_s;
}

void TestAddressBook::readsCards()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const QList<Person> people = AddressBook::parseVCards(bytes);
    QCOMPARE(describe(people).join(u'\n'), expected);
    QCOMPARE(brokenPromise(people), QString());
}

void TestAddressBook::boundsWhatACardCanCost()
{
    const int text = AddressBook::MaximumTextLength;
    QByteArray body = "N:" + QByteArray(text + 50, 'x') + ";" + QByteArray(text - 1, 'y') +
                      "\xF0\x9F\x8E\x89\r\nNOTE:";
    for (int i = 0; i < 1024; ++i)
        body += QByteArray(1024, 'n') + "\r\n "; // a megabyte of folded text
    body += "\r\n";
    for (int i = 0; i < AddressBook::MaximumPhoneNumbers + 10; ++i)
        body += "TEL:" + QByteArray::number(i) + "\r\n";
    const QList<Person> people = AddressBook::parseVCards(card(body));
    QCOMPARE(people.size(), 1);
    QCOMPARE(brokenPromise(people), QString());
    // Cut at the limit, never inside a character.
    QCOMPARE(people[0].lastName, QString(text, u'x'));
    QCOMPARE(people[0].firstName, QString(text - 1, u'y'));
    QCOMPARE(people[0].phoneNumbers.size(), AddressBook::MaximumPhoneNumbers);
    QCOMPARE(people[0].phoneNumbers.last().value,
             QString::number(AddressBook::MaximumPhoneNumbers - 1));

    QByteArray many;
    for (int i = 0; i <= AddressBook::MaximumPeople; ++i)
        many += "BEGIN:VCARD\nTEL:" + QByteArray::number(i) + "\nEND:VCARD\n";
    QCOMPARE(AddressBook::parseVCards(many).size(), AddressBook::MaximumPeople);
}

void TestAddressBook::survivesFuzzerFindings_data()
{
    QTest::addColumn<QString>("file");
    const QDir folder(testDataPath(u"vcard/regressions"_s));
    for (const QString &name : folder.entryList(QDir::Files))
        QTest::newRow(qPrintable(name)) << folder.filePath(name);
    if (folder.isEmpty(QDir::Files))
        QSKIP("no findings kept");
}

void TestAddressBook::survivesFuzzerFindings()
{
    QFETCH(QString, file);
    const QByteArray bytes = readFile(file);
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(brokenPromise(AddressBook::parseVCards(bytes)), QString());
}

void TestAddressBook::loadsTheContactsFolder()
{
    TestEnvironment env;
    const QString folder = platform::contactsDirectory();
    QCOMPARE(folder, env.dataHome() + u"/Velkari/Contacts"_s);
    QVERIFY(QDir().mkpath(folder + u"/nested.vcf"_s));
    QVERIFY(QDir().mkpath(folder + u"/sub"_s));
    QVERIFY(QFile::copy(testDataPath(u"vcard/latin1.vcf"_s), folder + u"/b.vcf"_s));
    QVERIFY(writeFile(folder + u"/A.VCF"_s, card("N:Zander;Adam\r\nTEL;CELL:1\r\nTEL:2\r\n")));
    QVERIFY(writeFile(folder + u"/notes.txt"_s, card("N:Txt\r\n")));
    QVERIFY(writeFile(folder + u"/.hidden.vcf"_s, card("N:Hidden\r\n")));
    QVERIFY(writeFile(folder + u"/sub/deep.vcf"_s, card("N:Deep\r\n")));
    QVERIFY(writeFile(folder + u"/empty.vcf"_s, QByteArray()));
    QVERIFY(QFile::link(folder + u"/gone"_s, folder + u"/dangling.vcf"_s));
    // Opening a FIFO would block until someone writes to it.
    QCOMPARE(::mkfifo(QFile::encodeName(folder + u"/pipe.vcf"_s).constData(), 0600), 0);
    // A link to one passes a listing of files; the opened file is what counts.
    QVERIFY(QFile::link(folder + u"/pipe.vcf"_s, folder + u"/link-to-pipe.vcf"_s));
    QVERIFY(QFile::link(u"/dev/zero"_s, folder + u"/zero.vcf"_s));

    const AddressBook book = AddressBook::load();
    QCOMPARE(describe(book.people()), QStringList({u"João / Ferreira | work: +351 21 555 0100"_s,
                                                   u"Jürgen / Müller | mobile: +49 171 5550100"_s,
                                                   u"Adam / Zander | mobile: 1 | other: 2"_s,
                                                   u"Sølvi / Åström | home: +47 22 55 50 10"_s}));

    // Identifiers survive a reload, and the lookup finds each one.
    const QList<Person> again = AddressBook::load(folder).people();
    QCOMPARE(again, book.people());
    const Person &adam = again[2];
    QCOMPARE(adam.phoneNumbers[adam.indexOfPhoneNumber(adam.phoneNumbers[1].identifier)].value,
             u"2"_s);
    QCOMPARE(adam.indexOfPhoneNumber(-1), -1);
}

void TestAddressBook::readsOnlyTheFirstBytesOfAHugeFile()
{
    TestEnvironment env;
    QByteArray bytes = card("N:First\r\n") + "BEGIN:VCARD\r\nN:Cut\r\nPHOTO;ENCODING=b:";
    bytes += QByteArray(AddressBook::MaximumFileSize, 'A');
    bytes += "\r\nEND:VCARD\r\n" + card("N:Beyond\r\n");
    QVERIFY(writeFile(env.root() + u"/huge.vcf"_s, bytes));
    QCOMPARE(describe(AddressBook::load(env.root()).people()), QStringList{u"∅ / First"_s});
}

void TestAddressBook::missingFolderGivesAnEmptyBook()
{
    TestEnvironment env;
    QVERIFY(AddressBook::load().isEmpty());
    QVERIFY(AddressBook::load(env.root() + u"/a file"_s).isEmpty());
    QVERIFY(!QFileInfo::exists(platform::contactsDirectory()));
}

void TestAddressBook::mergesTheFolders_data()
{
    QTest::addColumn<QByteArray>("kde");
    QTest::addColumn<QByteArray>("own");
    QTest::addColumn<QStringList>("expected");

    const QByteArray anna = card("UID:a-1\r\nN:Berg;Anna\r\nTEL:1\r\n");
    QTest::newRow("both folders, sorted together")
        << anna << card("N:Ahl;Bo\r\nTEL:2\r\n")
        << QStringList{u"Bo / Ahl | other: 2"_s, u"Anna / Berg | other: 1"_s};
    // The first folder's card wins.
    QTest::newRow("same UID shown once")
        << anna << card("UID:a-1\r\nN:Berg;Anna Maria\r\nTEL;CELL:1\r\n")
        << QStringList{u"Anna / Berg | other: 1"_s};
    QTest::newRow("same names and numbers shown once")
        << card("N:Åström;Sølvi\r\nTEL:1\r\nTEL:2\r\n")
        << card("UID:x\r\nN:Åström;Sølvi\r\nTEL;HOME:1\r\nTEL;WORK:2\r\n")
        << QStringList{u"Sølvi / Åström | other: 1 | other: 2"_s};
    QTest::newRow("namesakes with other numbers or UIDs both shown")
        << anna + card("N:Dahl;Eva\r\nTEL:1\r\n")
        << card("UID:a-2\r\nN:Berg;Anna\r\nTEL:9\r\n") + card("N:Dahl;Eva\r\nTEL:2\r\n")
        << QStringList{u"Anna / Berg | other: 1"_s, u"Anna / Berg | other: 9"_s,
                       u"Eva / Dahl | other: 1"_s, u"Eva / Dahl | other: 2"_s};
    QTest::newRow("a family name alone is no first name")
        << card("N:Berg;;;;\r\nTEL:1\r\n") << card("N:;Berg;;;\r\nTEL:1\r\n")
        << QStringList{u"∅ / Berg | other: 1"_s, u"Berg / ∅ | other: 1"_s};
    QTest::newRow("duplicates inside one folder are kept")
        << QByteArray() << anna + anna
        << QStringList{u"Anna / Berg | other: 1"_s, u"Anna / Berg | other: 1"_s};
}

void TestAddressBook::mergesTheFolders()
{
    QFETCH(QByteArray, kde);
    QFETCH(QByteArray, own);
    QFETCH(QStringList, expected);
    TestEnvironment env;
    QLocale::setDefault(QLocale(QLocale::English));
    QCOMPARE(AddressBook::contactFolders(),
             QStringList({env.dataHome() + u"/kpeoplevcard"_s, platform::contactsDirectory()}));
    for (const QString &folder : AddressBook::contactFolders())
        QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(env.dataHome() + u"/kpeoplevcard/kde.vcf"_s, kde));
    QVERIFY(writeFile(platform::contactsDirectory() + u"/own.vcf"_s, own));
    QCOMPARE(describe(AddressBook::load().people()), expected);
}

void TestAddressBook::sortsForDisplay_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("people"); // first|last|number, empty when missing
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("last name, then first name, case ignored")
        << u"en_US"_s << QStringList{u"anna|berg|"_s, u"Karl|Andersson|"_s, u"Adam|BERG|"_s}
        << QStringList{u"Karl Andersson"_s, u"Adam BERG"_s, u"anna berg"_s};
    QTest::newRow("case ignored in the C locale")
        << u"C"_s << QStringList{u"|berg|"_s, u"|Adam|"_s, u"|CARLSSON|"_s}
        << QStringList{u"Adam"_s, u"berg"_s, u"CARLSSON"_s};
    QTest::newRow("Swedish: Å, Ä, Ö after Z")
        << u"sv_SE"_s << QStringList{u"|Öberg|"_s, u"|Zetterlund|"_s, u"|Åberg|"_s, u"|Ahl|"_s}
        << QStringList{u"Ahl"_s, u"Zetterlund"_s, u"Åberg"_s, u"Öberg"_s};
    QTest::newRow("German: Ä with A")
        << u"de_DE"_s << QStringList{u"|Zander|"_s, u"|Ähler|"_s, u"|Abel|"_s}
        << QStringList{u"Abel"_s, u"Ähler"_s, u"Zander"_s};
    QTest::newRow("without a last name by first name, without names by number")
        << u"en_US"_s << QStringList{u"Cecilia||"_s, u"Anna|Berg|"_s, u"||555 0100"_s, u"Adam||"_s}
        << QStringList{u"555 0100"_s, u"Adam"_s, u"Anna Berg"_s, u"Cecilia"_s};
}

void TestAddressBook::sortsForDisplay()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, people);
    QFETCH(QStringList, expected);
    QList<Person> list;
    for (const QString &entry : people) {
        const QStringList parts = entry.split(u'|');
        Person person;
        if (!parts[0].isEmpty())
            person.firstName = parts[0];
        if (!parts[1].isEmpty())
            person.lastName = parts[1];
        if (!parts[2].isEmpty())
            person.phoneNumbers.append({0, u"other"_s, parts[2]});
        list.append(person);
    }
    AddressBook::sortForDisplay(list, QLocale(locale));
    QStringList shown;
    for (const Person &person : list)
        shown.append(person.displayName());
    QCOMPARE(shown, expected);
}

QTEST_GUILESS_MAIN(TestAddressBook)
#include "tst_addressbook.moc"
