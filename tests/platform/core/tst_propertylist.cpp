// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/PrivateFiles.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListPieces.h"
#include "platform/core/PropertyListValues.h"
#include "platform/core/TimeZones.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

#include <cmath>

using namespace Qt::Literals::StringLiterals;
using platform::PropertyList;
using platform::Result;

namespace {

const QByteArray header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                          "<plist version=\"1.0\">\n";

QByteArray document(const QByteArray &body)
{
    return header + body + "</plist>\n";
}

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), platform::utc());
}

// Runs a Python snippet with the file as sys.argv[1]; returns its stdout.
QByteArray runPython(const QString &script, const QString &file)
{
    const QString python = QStandardPaths::findExecutable(u"python3"_s);
    if (python.isEmpty())
        return "python3 missing";
    QProcess process;
    process.start(python, {u"-c"_s, script, file});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return "python failed: " + process.readAllStandardError();
    return process.readAllStandardOutput();
}

} // namespace

class TestPropertyList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fixturesRoundTripByteForByte_data();
    void fixturesRoundTripByteForByte();
    void readsEveryType();
    void writesPlistlibLayout_data();
    void writesPlistlibLayout();
    void joinedElementsMakeTheSameDocument();
    void textsReadBackAsWritten_data();
    void textsReadBackAsWritten();
    void pythonReadsWhatWeWrite();
    void refusesMalformedDocuments_data();
    void refusesMalformedDocuments();
    void acceptsWhatPlistlibAccepts_data();
    void acceptsWhatPlistlibAccepts();
    void aStoreReadsTheSameEveryWay_data();
    void aStoreReadsTheSameEveryWay();
    void textsOfARecordChangeOneByOne();
    void filesAreReadWhole_data();
    void filesAreReadWhole();
    void readArrayFileWantsAnArrayRoot();
    void writeFileIsAtomic();
};

void TestPropertyList::fixturesRoundTripByteForByte_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("every type") << testDataPath(u"plist/types.plist"_s);
    QTest::newRow("a store with damaged records") << testDataPath(u"store/plistlib-store.plist"_s);
}

void TestPropertyList::fixturesRoundTripByteForByte()
{
    QFETCH(QString, file);
    const QByteArray original = readFile(file);
    QVERIFY(!original.isEmpty());
    const Result<QVariant> value = PropertyList::parse(original);
    QVERIFY2(value, qPrintable(value.error()));
    QCOMPARE(PropertyList::serialize(*value), original);
}

void TestPropertyList::readsEveryType()
{
    const auto value = PropertyList::parse(readFile(testDataPath(u"plist/types.plist"_s)));
    QVERIFY(value);
    const auto dict = value->value<PropertyList::Dictionary>();
    QCOMPARE(dict.entries.size(), 12);
    QCOMPARE(dict.entries.first().first, u"array"_s);
    QCOMPARE(dict.entries.last().first, u"true"_s);
    auto at = [&dict](const QString &key) {
        for (const auto &[k, v] : dict.entries) {
            if (k == key)
                return v;
        }
        return QVariant();
    };
    QCOMPARE(at(u"date"_s), QVariant(utc(2011, 5, 2, 10, 11, 12)));
    QCOMPARE(at(u"date"_s).toDateTime().timeSpec(), Qt::UTC);
    QCOMPARE(at(u"true"_s), QVariant(true));
    QCOMPARE(at(u"false"_s), QVariant(false));
    QCOMPARE(at(u"bytes-short"_s).toByteArray(), QByteArray("\x00\x01velkari", 9));

    const QVariantList integers = at(u"integers"_s).toList();
    QCOMPARE(integers.at(4), QVariant(std::numeric_limits<qint64>::min()));
    QCOMPARE(integers.at(5), QVariant(std::numeric_limits<qint64>::max()));
    QCOMPARE(integers.at(7), QVariant(std::numeric_limits<quint64>::max()));

    const QVariantList reals = at(u"reals"_s).toList();
    QVERIFY(std::signbit(reals.at(1).toDouble()));
    QCOMPARE(reals.at(3).toDouble(), 0.1);

    const QVariantList strings = at(u"strings"_s).toList();
    QCOMPARE(strings.at(2).toString(), u"a & b < c > d"_s);
    QCOMPARE(strings.at(5).toString(), u"Ünïcödé ✓ 你好 🎉"_s);
}

void TestPropertyList::writesPlistlibLayout_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("empty array") << QVariant(QVariantList()) << QByteArray("<array/>\n");
    QTest::newRow("empty dict") << QVariant::fromValue(PropertyList::Dictionary())
                                << QByteArray("<dict/>\n");
    QTest::newRow("empty string") << QVariant(u""_s) << QByteArray("<string></string>\n");
    QTest::newRow("nested, tab indented")
        << QVariant(QVariantList{QVariantList{u"a"_s}, QVariantList()})
        << QByteArray("<array>\n\t<array>\n\t\t<string>a</string>\n\t</array>\n\t<array/>\n"
                      "</array>\n");
    QTest::newRow("dict keeps file order")
        << QVariant::fromValue(PropertyList::Dictionary{{{u"b"_s, 1}, {u"a"_s, true}}})
        << QByteArray("<dict>\n\t<key>b</key>\n\t<integer>1</integer>\n\t<key>a</key>\n"
                      "\t<true/>\n</dict>\n");
    QTest::newRow("escapes") << QVariant(u"a & b < c > d ]]>"_s)
                             << QByteArray("<string>a &amp; b &lt; c &gt; d ]]&gt;</string>\n");
    QTest::newRow("carriage return kept as a reference")
        << QVariant(u"a\r\nb\rc"_s) << QByteArray("<string>a&#13;\nb&#13;c</string>\n");
    QTest::newRow("control characters replaced")
        << QVariant(u"a\x01z\x1f\tb"_s)
        << QByteArray("<string>a\xEF\xBF\xBDz\xEF\xBF\xBD\tb</string>\n");
    QTest::newRow("lone surrogate and noncharacter replaced")
        << QVariant(QString(QChar(0xD800)) + QChar(0xFFFF))
        << QByteArray("<string>\xEF\xBF\xBD\xEF\xBF\xBD</string>\n");
    QTest::newRow("astral character as four bytes")
        << QVariant(u"🎉"_s) << QByteArray("<string>\xF0\x9F\x8E\x89</string>\n");
    QTest::newRow("date in UTC, whole seconds")
        << QVariant(utc(2011, 5, 2, 10, 15, 30, 700))
        << QByteArray("<date>2011-05-02T10:15:30Z</date>\n");
    QTest::newRow("date given in another zone")
        << QVariant(platform::aheadOfUtc(QDate(2011, 5, 2), QTime(12, 0), 7200))
        << QByteArray("<date>2011-05-02T10:00:00Z</date>\n");
    QTest::newRow("leap day") << QVariant(utc(2024, 2, 29, 23, 59, 59))
                              << QByteArray("<date>2024-02-29T23:59:59Z</date>\n");
    QTest::newRow("date before 1970, fraction dropped")
        << QVariant(utc(1969, 12, 31, 23, 59, 59, 500))
        << QByteArray("<date>1969-12-31T23:59:59Z</date>\n");
    QTest::newRow("first and last years") << QVariant(QVariantList{utc(1, 1, 1), utc(9999, 12, 31)})
                                          << QByteArray("<array>\n\t<date>0001-01-01T00:00:00Z"
                                                        "</date>\n\t<date>9999-12-31T00:00:00Z"
                                                        "</date>\n</array>\n");
    QTest::newRow("integers") << QVariant(
                                     QVariantList{qint64(-5), quint64(18446744073709551615ULL)})
                              << QByteArray(
                                     "<array>\n\t<integer>-5</integer>\n"
                                     "\t<integer>18446744073709551615</integer>\n</array>\n");
    QTest::newRow("reals as Python repr")
        << QVariant(QVariantList{1.0, 0.1, 1e16, 1e15, 1e-5, 0.0001, -0.0, 1.5e300,
                                 std::numeric_limits<double>::infinity()})
        << QByteArray("<array>\n\t<real>1.0</real>\n\t<real>0.1</real>\n\t<real>1e+16</real>\n"
                      "\t<real>1000000000000000.0</real>\n\t<real>1e-05</real>\n"
                      "\t<real>0.0001</real>\n\t<real>-0.0</real>\n\t<real>1.5e+300</real>\n"
                      "\t<real>inf</real>\n</array>\n");
    QTest::newRow("data lines shorten with depth")
        << QVariant(QVariantList{QByteArray(60, 'x')})
        << QByteArray("<array>\n\t<data>\n\t" + QByteArray("eHh4").repeated(17) + "\n\t" +
                      QByteArray("eHh4").repeated(3) + "\n\t</data>\n</array>\n");
}

void TestPropertyList::writesPlistlibLayout()
{
    QFETCH(QVariant, value);
    QFETCH(QByteArray, body);
    QCOMPARE(PropertyList::serialize(value), document(body));
}

void TestPropertyList::joinedElementsMakeTheSameDocument()
{
    const QVariantList list{
        QVariantList{u"a"_s, utc(2026, 1, 2, 3, 4, 5)},
        QVariantMap{{u"k"_s, QVariantList{qint64(1), QByteArray(100, 'z')}}},
        u"plain"_s,
    };
    QList<QByteArray> parts;
    for (const QVariant &element : list)
        parts.append(PropertyList::serializeArrayElement(element));
    QCOMPARE(PropertyList::joinArrayElements(parts), PropertyList::serialize(list));
    QCOMPARE(PropertyList::joinArrayElements({}), PropertyList::serialize(QVariantList()));
}

void TestPropertyList::textsReadBackAsWritten_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("windows line ends") << u"one\r\ntwo"_s;
    QTest::newRow("old mac line ends") << u"one\rtwo"_s;
    QTest::newRow("markup") << u"<b>&amp;</b> ]]> \"'"_s;
    QTest::newRow("white space only") << u" \t\n "_s;
    QTest::newRow("many scripts") << u"Ünïcödé ✓ 你好 🎉 שלום"_s;
    // Long texts are read in blocks of bytes: each kind of character that
    // ends a block, at each place in and around one.
    for (const QString &odd : {u"&"_s, u"\r\n"_s, u"]]>"_s, u"é"_s, u"🎉"_s, u"\t"_s})
        for (const int at : {0, 7, 8, 15, 16, 17, 31, 47, 63, 64, 65, 79})
            QTest::addRow("%s at %d", odd.toUtf8().toPercentEncoding().constData(), at)
                << QString(at, u'a') + odd + QString(90 - at, u'b');
}

void TestPropertyList::textsReadBackAsWritten()
{
    QFETCH(QString, text);
    const QVariant value(QVariantList{text});
    const auto back = PropertyList::parse(PropertyList::serialize(value));
    QVERIFY(back);
    QCOMPARE(*back, value);
}

void TestPropertyList::pythonReadsWhatWeWrite()
{
    TestEnvironment env;
    const QString path = env.root() + u"/ours.plist"_s;
    const QVariant value(QVariantList{
        QVariantList{u"ID-1"_s, u"Anna & <Berg>"_s, u"+46 70"_s, utc(2099, 3, 5, 9, 7),
                     u"line\nbreak ✓ 🎉"_s, u"0"_s, u"0"_s},
        QVariantList{u"short"_s},
        QVariant::fromValue(
            PropertyList::Dictionary{{{u"z"_s, 1.5}, {u"a"_s, QByteArray("\x00\xff", 2)}}}),
        QVariantList(),
        qint64(-7),
        false,
    });
    QVERIFY(PropertyList::writeFile(path, value));

    // plistlib reads our file and writes the same values back: the same bytes.
    const QByteArray again =
        runPython(u"import plistlib,sys\n"
                  "v = plistlib.load(open(sys.argv[1], 'rb'))\n"
                  "sys.stdout.buffer.write(plistlib.dumps(v, sort_keys=False))\n"_s,
                  path);
    QCOMPARE(again, readFile(path));

    // A carriage return, which plistlib itself would write as a line feed,
    // still reaches it intact.
    QVERIFY(PropertyList::writeFile(path, QVariant(QVariantList{u"a\r\nb"_s})));
    QCOMPARE(runPython(u"import plistlib,sys\n"
                       "print(plistlib.load(open(sys.argv[1], 'rb')) == ['a\\r\\nb'])\n"_s,
                       path),
             QByteArray("True\n"));
}

void TestPropertyList::refusesMalformedDocuments_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray valid = document("<array>\n\t<string>x</string>\n</array>\n");
    QByteArray deep;
    for (int i = 0; i <= PropertyList::MaximumDepth; ++i)
        deep += "<array>";
    for (int i = 0; i <= PropertyList::MaximumDepth; ++i)
        deep += "</array>";

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("UTF-16 that declares UTF-8")
        << QByteArray("\xFF\xFE") +
               QStringEncoder(QStringConverter::Utf16LE)(QString::fromUtf8(valid));
    QTest::newRow("UTF-16BE declared behind a little-endian mark")
        << QByteArray("\xFF\xFE") +
               QStringEncoder(QStringConverter::Utf16LE)(QString::fromUtf8(
                   QByteArray(valid).replace("encoding=\"UTF-8\"", "encoding=\"UTF-16BE\"")));
    QTest::newRow("only a UTF-16 byte-order mark") << QByteArray("\xFE\xFF");
    QTest::newRow("UTF-16 with a lone surrogate") << QByteArray("\xFF\xFE<\0a\0\x00\xD8>\0", 10);
    // Qt's decoder lets a lone low surrogate through, and toUtf8() would
    // make it U+FFFD: the file would read as what it does not hold.
    QTest::newRow("UTF-16 with a lone low surrogate in a string")
        << QByteArray("\xFF\xFE") + QStringEncoder(QStringConverter::Utf16LE)(u"<string>a"_s) +
               QByteArray("\x00\xDF", 2) +
               QStringEncoder(QStringConverter::Utf16LE)(u"</string>"_s);
    QTest::newRow("not XML") << QByteArray("just some text");
    QTest::newRow("binary") << QByteArray("bplist00\xd4\x01\x02", 11);
    QTest::newRow("truncated") << valid.left(valid.size() / 2);
    QTest::newRow("no value") << document("");
    QTest::newRow("mismatched tags") << document("<array><string>x</array></string>\n");
    QTest::newRow("nested too deeply") << document(deep);
    QTest::newRow("garbage date") << document("<date>yesterday</date>\n");
    QTest::newRow("date without Z") << document("<date>2011-05-02T10:11:12</date>\n");
    QTest::newRow("date with fraction") << document("<date>2011-05-02T10:11:12.5Z</date>\n");
    QTest::newRow("date out of range") << document("<date>2011-13-40T25:61:61Z</date>\n");
    QTest::newRow("date trailing text") << document("<date>2011-05-02T10:11:12Zjunk</date>\n");
    QTest::newRow("integer with letters") << document("<integer>12abc</integer>\n");
    QTest::newRow("integer beyond 64 bits")
        << document("<integer>18446744073709551616</integer>\n");
    QTest::newRow("real that is no number") << document("<real>many</real>\n");
    QTest::newRow("unknown element") << document("<array><velkari/></array>\n");
    QTest::newRow("element inside a string") << document("<string>a<b/>c</string>\n");
    QTest::newRow("key in an array") << document("<array><key>k</key></array>\n");
    QTest::newRow("value without a key") << document("<dict><string>v</string></dict>\n");
    QTest::newRow("key without a value") << document("<dict><key>k</key></dict>\n");
    QTest::newRow("two roots") << document("<array/>\n<array/>\n");
    QTest::newRow("entity declaration")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE plist [<!ENTITY a \"aaaa\">]>\n"
                      "<plist><array><string>&a;</string></array></plist>\n");
    QTest::newRow("undeclared entity") << document("<string>&nbsp;</string>\n");
    const QByteArray doctype = header.left(header.indexOf("<plist"));
    const QByteArray plist = "<plist version=\"&x;\"><string>a</string></plist>\n";
    QTest::newRow("undeclared entity, no DTD") << "<?xml version=\"1.0\"?>\n" + plist;
    QTest::newRow("undeclared entity, standalone")
        << QByteArray(doctype).replace("\"UTF-8\"?>", "\"UTF-8\" standalone=\"yes\"?>") + plist;
    QTest::newRow("undeclared entity in text") << document("<string>&x;</string>\n");
    QTest::newRow("attribute entity misnamed")
        << doctype + "<plist version=\"&a^b;\"><string>a</string></plist>\n";
    // A byte that is no character, and a raw "]]>", at each place of a
    // 64-byte block and past it: the bytes are checked in such blocks.
    for (const char *bad : {"\x01", "\xFF", "\xC3(", "]]>"})
        for (int at = 0; at <= 70; ++at)
            QTest::addRow("%02x at %d", unsigned(uchar(bad[0])), at) << document(
                "<string>" + QByteArray(at, 'a') + bad + QByteArray(150 - at, 'b') + "</string>\n");
}

void TestPropertyList::refusesMalformedDocuments()
{
    QFETCH(QByteArray, bytes);
    const Result<QVariant> refused = PropertyList::parse(bytes);
    QVERIFY(!refused);
    QVERIFY(!refused.error().isEmpty());
}

void TestPropertyList::acceptsWhatPlistlibAccepts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVariant>("expected");

    const QByteArray crlf =
        QByteArray(document("<array>\n\t<string>a\nb</string>\n</array>\n")).replace("\n", "\r\n");
    QTest::newRow("byte-order mark")
        << QByteArray("\xEF\xBB\xBF") + document("<array/>\n") << QVariant(QVariantList());
    QTest::newRow("CRLF file") << crlf << QVariant(QVariantList{u"a\nb"_s});
    // Behind a byte-order mark, as plistlib and QXmlStreamReader read it.
    const QString utf16 =
        QString::fromUtf8(QByteArray(document("<array><string>Grüße 🎉</string></array>\n"))
                              .replace("encoding=\"UTF-8\"", "encoding=\"UTF-16\""));
    const QVariant greeting = QVariantList{u"Grüße 🎉"_s};
    QTest::newRow("UTF-16, little-endian")
        << QByteArray("\xFF\xFE") + QStringEncoder(QStringConverter::Utf16LE)(utf16) << greeting;
    QTest::newRow("UTF-16, big-endian")
        << QByteArray("\xFE\xFF") + QStringEncoder(QStringConverter::Utf16BE)(utf16) << greeting;
    const QString utf16be = QString(utf16).replace(u"\"UTF-16\""_s, u"\"utf-16be\""_s);
    QTest::newRow("UTF-16BE declared behind its mark")
        << QByteArray("\xFE\xFF") + QStringEncoder(QStringConverter::Utf16BE)(utf16be) << greeting;
    QTest::newRow("no plist wrapper")
        << QByteArray("<?xml version=\"1.0\"?><array><string>x</string></array>")
        << QVariant(QVariantList{u"x"_s});
    QTest::newRow("comments and CDATA")
        << document("<array><!-- note --><string>a<![CDATA[<&>]]>b</string></array>\n")
        << QVariant(QVariantList{u"a<&>b"_s});
    QTest::newRow("character references")
        << document("<string>&#13;&#x41;&amp;</string>\n") << QVariant(u"\rA&"_s);
    QTest::newRow("partial date") << document("<date>2011-05Z</date>\n")
                                  << QVariant(utc(2011, 5, 1));
    QTest::newRow("hex and signed integers")
        << document("<array><integer>0x1F</integer><integer> +7 </integer></array>\n")
        << QVariant(QVariantList{qint64(31), qint64(7)});
    QTest::newRow("self-closed string") << document("<string/>\n") << QVariant(u""_s);
    // Its DTD outside the document may declare it: taken as it stands.
    const QByteArray doctype = header.left(header.indexOf("<plist"));
    QTest::newRow("undeclared entity in an attribute")
        << doctype + "<plist version=\"1&x;&\xC3\xA9-1;&^;\"><string>a</string></plist>\n"
        << QVariant(u"a"_s);

    QByteArray deepest;
    for (int i = 0; i < PropertyList::MaximumDepth; ++i)
        deepest += "<array>";
    for (int i = 0; i < PropertyList::MaximumDepth; ++i)
        deepest += "</array>";
    QVariant nested = QVariantList();
    for (int i = 1; i < PropertyList::MaximumDepth; ++i)
        nested = QVariantList{nested};
    QTest::newRow("nesting at the limit") << document(deepest) << nested;
}

void TestPropertyList::acceptsWhatPlistlibAccepts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QVariant, expected);
    const auto value = PropertyList::parse(bytes);
    QVERIFY2(value, qPrintable(value.error()));
    QCOMPARE(*value, expected);
}

namespace {

// A store as the app writes it, with the body of record `odd` replaced.
QByteArray store(int records, int odd = -1, const QByteArray &oddBody = {})
{
    QByteArray body = "<array>\n";
    for (int i = 0; i < records; ++i) {
        if (i == odd) {
            body += oddBody;
            continue;
        }
        body += "\t<array>\n\t\t<string>" + QByteArray::number(1000000 + i) +
                "-AAAA-BBBB-CCCC-DDDDEEEEFFFF</string>\n\t\t<string>Anna</string>\n"
                "\t\t<date>2026-12-07T10:00:00Z</date>\n\t\t<string>Reminder &amp; "
                "&lt;notes&gt; \xC3\xA5 " +
                QByteArray::number(i) + "</string>\n\t\t<string>1</string>\n\t</array>\n";
    }
    return document(body + "</array>\n");
}

} // namespace

void TestPropertyList::aStoreReadsTheSameEveryWay_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("records") << store(40);
    QTest::newRow("none") << store(0);
    // Places that look like a record's start but are not one.
    QTest::newRow("in a string") << store(40, 20, "\t<string>a\n\t<array>\n\t<string>b</string>\n");
    QTest::newRow("in a comment") << store(40, 20, "\t<!-- \n\t<array> -->\n");
    QTest::newRow("in CDATA") << store(40, 20,
                                       "\t<string><![CDATA[\n\t<array>\n\t</array>]]></string>\n");
    QTest::newRow("one level deeper")
        << store(40, 20, "\t<dict>\n\t<key>k</key>\n\t<array/>\n\t</dict>\n");
    QTest::newRow("other values") << store(40, 20,
                                           "\t<dict><key>k</key><integer>7</integer></dict>\n"
                                           "\t<real>1.5</real>\n\t<true/>\n\t<data>AAE=</data>\n");
    QTest::newRow("a record to decode")
        << store(40, 20, "\t<array><string>a\r\nb&#x1F600;]</string><string/></array>\n");
    // Faults, early or late: the same one is told.
    QTest::newRow("bad UTF-8 late") << store(40, 35, "\t<string>\xC3(</string>\n");
    QTest::newRow("bad UTF-8 early") << store(40, 2, "\t<string>\xFF</string>\n");
    QTest::newRow("bad date late") << store(40, 30, "\t<array><date>soon</date></array>\n");
    QTest::newRow("bad reference late")
        << store(40, 30, "\t<array><string>&nope;</string></array>\n");
    // After a text of the record's own was made (the sanitizers watch its memory).
    QTest::newRow("bad date after a text")
        << store(40, 30, "\t<array><string>&amp; x</string><date>soon</date></array>\n");
    QTest::newRow("bad reference after a text")
        << store(40, 30, "\t<array><string>&amp; x</string><string>&nope;</string></array>\n");
    QTest::newRow("unknown element") << store(40, 25, "\t<velkari/>\n");
    QTest::newRow("a record never closed") << store(40, 39, "\t<array>\n\t\t<string>x</string>\n");
    QTest::newRow("cut short") << store(40).left(store(40).size() * 3 / 4);
    QTest::newRow("a second root") << store(40) + "<array/>\n";
    QByteArray deep;
    for (int i = 0; i < PropertyList::MaximumDepth; ++i)
        deep += "<array>";
    for (int i = 0; i < PropertyList::MaximumDepth; ++i)
        deep += "</array>";
    QTest::newRow("too deep late") << store(40, 30, "\t" + deep + "\n");
}

// Elements of the root array shaped as records take a fast path; one level
// deeper the same elements take the general reading; a large root array is
// read in pieces at once. Every way must give the same values and tell the
// same faults.
void TestPropertyList::aStoreReadsTheSameEveryWay()
{
    QFETCH(QByteArray, bytes);
    // On the same lines, so that faults are told at the same line.
    QByteArray nested = bytes;
    nested.replace("<plist version=\"1.0\">\n<array>",
                   "<plist version=\"1.0\">\n<dict><key>k</key><array>");
    nested.replace("</array>\n</plist>", "</array>\n</dict></plist>");
    QVERIFY(nested != bytes);
    const auto direct = platform::plist::parseInPieces(bytes, 1);
    for (int pieces = 2; pieces <= 7; ++pieces) {
        const auto inPieces = platform::plist::parseInPieces(bytes, pieces);
        QCOMPARE(inPieces.ok(), direct.ok());
        if (direct)
            QCOMPARE(PropertyList::serialize(*inPieces), PropertyList::serialize(*direct));
        QCOMPARE(inPieces.error(), direct.error());
    }
    const auto inDict = PropertyList::parse(nested);
    QCOMPARE(direct.ok(), inDict.ok());
    QCOMPARE(direct.error(), inDict.error());
    if (direct) {
        const auto dict = inDict->value<PropertyList::Dictionary>();
        QCOMPARE(dict.entries.size(), 1);
        QCOMPARE(PropertyList::serialize(*direct), PropertyList::serialize(dict.entries[0].second));
    }
}

// A record's texts are read into one block of memory; each must still
// change on its own, also when it is the last one left of its block.
void TestPropertyList::textsOfARecordChangeOneByOne()
{
    const auto root = PropertyList::parse(store(3));
    QVERIFY(root);
    QVariantList record = root->toList().at(1).toList();
    const QString id = record.at(0).toString();
    const QString text = record.at(3).toString();
    QCOMPARE(text, u"Reminder & <notes> \u00E5 1"_s);

    QString changed = record.at(0).toString();
    changed[0] = u'X';
    changed.append(u"-more");
    QCOMPARE(record.at(0).toString(), id);
    QCOMPARE(record.at(3).toString(), text);

    // Alone with its block: grows and shrinks in place, over what the
    // others held, and stays a terminated string.
    QString alone;
    {
        const auto other = PropertyList::parse(store(3));
        alone = other->toList().at(1).toList().at(0).toString();
    }
    QVERIFY(alone.isDetached());
    alone.append(QString(500, u'y'));
    alone.remove(0, 3);
    alone.prepend(u"<<");
    QCOMPARE(alone, u"<<"_s + id.mid(3) + QString(500, u'y'));
    QCOMPARE(QStringView(alone.utf16()).toString(), alone);
    QCOMPARE(QStringView(text.utf16()).toString(), text);
}

void TestPropertyList::filesAreReadWhole_data()
{
    // Large files are read into room of their own; around its sizes.
    QTest::addColumn<qsizetype>("size");
    constexpr qsizetype mib = 1 << 20;
    for (const qsizetype size :
         {qsizetype(0), qsizetype(1), 2 * mib - 2, 2 * mib - 1, 2 * mib, 4 * mib - 1, 6 * mib + 5})
        QTest::addRow("%lld bytes", qlonglong(size)) << size;
}

void TestPropertyList::filesAreReadWhole()
{
    QFETCH(qsizetype, size);
    TestEnvironment env;
    QByteArray written(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        written[i] = char('a' + (i * 7 + i / 4093) % 26);
    const QString path = env.root() + u"/bytes"_s;
    QVERIFY(writeFile(path, written));
    platform::Result<QByteArray> read = platform::readRegularFile(path, 0);
    QVERIFY2(read, qPrintable(read.error()));
    QCOMPARE(read->size(), size);
    QVERIFY(*read == written);
    QCOMPARE(read->constData()[size], '\0');
    // An array like any other afterwards.
    read->prepend("<").append(">");
    QCOMPARE(read->size(), size + 2);
    QVERIFY(read->startsWith('<') && read->endsWith('>'));
    QVERIFY(read->mid(1, size) == written);
}

void TestPropertyList::readArrayFileWantsAnArrayRoot()
{
    TestEnvironment env;
    const platform::Result<QVariantList> missing =
        PropertyList::readArrayFile(env.root() + u"/missing.plist"_s);
    QVERIFY(!missing);
    QVERIFY(!missing.error().isEmpty());

    const QString dictFile = env.root() + u"/dict.plist"_s;
    QVERIFY(writeFile(dictFile, document("<dict/>\n")));
    QVERIFY(!PropertyList::readArrayFile(dictFile));

    QVERIFY(!PropertyList::readArrayFile(env.root())); // a folder

    const QString arrayFile = env.root() + u"/array.plist"_s;
    QVERIFY(writeFile(arrayFile, document("<array><string>x</string></array>\n")));
    const platform::Result<QVariantList> array = PropertyList::readArrayFile(arrayFile);
    QVERIFY2(array, qPrintable(array.error()));
    QCOMPARE(*array, QVariantList{u"x"_s});
}

void TestPropertyList::writeFileIsAtomic()
{
    TestEnvironment env;
    const QString path = env.root() + u"/store.plist"_s;
    QVERIFY(PropertyList::writeFile(path, QVariantList{u"old"_s}));
    const QByteArray old = readFile(path);

    QVERIFY(PropertyList::writeFile(path, QVariantList{u"new"_s}));
    const platform::Result<QVariantList> replaced = PropertyList::readArrayFile(path);
    QVERIFY2(replaced, qPrintable(replaced.error()));
    QCOMPARE(*replaced, QVariantList{u"new"_s});
    QCOMPARE(QDir(env.root()).entryList(QDir::Files | QDir::Hidden), QStringList{u"store.plist"_s});

    // A folder that cannot be written (a file stands where it should be,
    // which stops root too): false with a reason, and nothing else changes.
    const QString blocked = env.root() + u"/blocked"_s;
    QVERIFY(writeFile(blocked, "a file"));
    const platform::Result<void> refused =
        PropertyList::writeFile(blocked + u"/store.plist"_s, QVariantList());
    QVERIFY(!refused);
    QVERIFY(!refused.error().isEmpty());
    QCOMPARE(readFile(blocked), QByteArray("a file"));
    QVERIFY(old != readFile(path));

    // A new file is private; a replaced one keeps its owner's permissions
    // and loses any access by others.
    QCOMPARE(QFile::permissions(path) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(PropertyList::writeFile(path, QVariantList{u"again"_s}));
    QCOMPARE(QFile::permissions(path) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
    QVERIFY(PropertyList::writeFile(path, QVariantList{u"again"_s}));
    QCOMPARE(QFile::permissions(path) & 0x7077, QFile::ReadOwner);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));

    // A link is followed, not replaced by a file.
    const QString link = env.root() + u"/link.plist"_s;
    QVERIFY(QFile::link(path, link));
    QVERIFY(PropertyList::writeFile(link, QVariantList{u"through the link"_s}));
    QVERIFY(QFileInfo(link).isSymLink());
    const platform::Result<QVariantList> followed = PropertyList::readArrayFile(path);
    QVERIFY2(followed, qPrintable(followed.error()));
    QCOMPARE(*followed, QVariantList{u"through the link"_s});
}

QTEST_GUILESS_MAIN(TestPropertyList)
#include "tst_propertylist.moc"
