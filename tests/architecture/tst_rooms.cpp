// SPDX-License-Identifier: GPL-3.0-or-later
// The rooms of the source tree and the order between them: no file reaches
// a room above its own, and no two files include each other, directly or
// round about. Read from the #include lines themselves.

#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Each room and the rooms below it that it may include.
const QHash<QString, QStringList> &allowedRooms()
{
    static const QHash<QString, QStringList> rooms{
        {u"platform/core"_s, {}},
        {u"platform/reminders"_s, {u"platform/core"_s}},
        {u"platform/desktop"_s, {u"platform/core"_s, u"platform/reminders"_s}},
        {u"platform/sms"_s, {u"platform/core"_s}},
        {u"platform/contacts"_s, {u"platform/core"_s}},
        {u"platform/ui"_s, {u"platform/core"_s, u"platform/contacts"_s, u"platform/sms"_s}},
        {u"platform/shell"_s,
         {u"platform/core"_s, u"platform/reminders"_s, u"platform/desktop"_s, u"platform/sms"_s,
          u"platform/contacts"_s, u"platform/ui"_s}},
        {u"service"_s, {u"platform/core"_s, u"platform/reminders"_s, u"platform/desktop"_s}},
        {u"schedule"_s, {u"platform/core"_s, u"platform/reminders"_s}},
        {u"screens"_s,
         {u"platform/core"_s, u"platform/reminders"_s, u"platform/sms"_s, u"platform/contacts"_s,
          u"platform/ui"_s, u"platform/shell"_s, u"schedule"_s}},
        {u"app"_s,
         {u"platform/core"_s, u"platform/reminders"_s, u"platform/desktop"_s, u"platform/sms"_s,
          u"platform/contacts"_s, u"platform/ui"_s, u"platform/shell"_s, u"schedule"_s,
          u"screens"_s}},
    };
    return rooms;
}

QString roomOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}

// A header and its source are one unit: "platform/ui/Window".
QString unitOf(const QString &path)
{
    return path.left(path.lastIndexOf(u'.'));
}

// What is wrong with the tree under root, one line per finding.
QStringList findings(const QString &root)
{
    static const QRegularExpression include(u"^\\s*#\\s*include\\s+\"([^\"]+)\""_s,
                                            QRegularExpression::MultilineOption);
    QStringList found;
    QHash<QString, QSet<QString>> edges;
    for (const QString &room : allowedRooms().keys()) {
        QDirIterator files(root + u'/' + room, {u"*.h"_s, u"*.cpp"_s}, QDir::Files);
        while (files.hasNext()) {
            const QString path = files.next().mid(root.size() + 1);
            QFile file(root + u'/' + path);
            if (!file.open(QIODevice::ReadOnly)) {
                found.append(u"cannot read "_s + path);
                continue;
            }
            const QString text = QString::fromUtf8(file.readAll());
            for (auto it = include.globalMatch(text); it.hasNext();) {
                const QString target = it.next().captured(1);
                const QString targetRoom = roomOf(target);
                if (!allowedRooms().contains(targetRoom))
                    continue; // generated layouts, Qt, the system
                if (targetRoom != room && !allowedRooms()[room].contains(targetRoom))
                    found.append(u"%1 reaches up to %2"_s.arg(path, target));
                if (unitOf(target) != unitOf(path))
                    edges[unitOf(path)].insert(unitOf(target));
            }
        }
    }
    // Depth first; a unit met again while still on the path closes a cycle.
    enum class Mark { Open, Done };
    QHash<QString, Mark> marks;
    QStringList path;
    std::function<void(const QString &)> visit = [&](const QString &unit) {
        marks[unit] = Mark::Open;
        path.append(unit);
        for (const QString &next : edges.value(unit)) {
            if (marks.contains(next) && marks[next] == Mark::Open) {
                found.append(u"cycle: "_s + path.mid(path.indexOf(next)).join(u" -> "_s) +
                             u" -> "_s + next);
            } else if (!marks.contains(next)) {
                visit(next);
            }
        }
        path.removeLast();
        marks[unit] = Mark::Done;
    };
    QStringList units = edges.keys();
    units.sort();
    for (const QString &unit : units) {
        if (!marks.contains(unit))
            visit(unit);
    }
    return found;
}

bool writeFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(roomOf(path));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Path and text of each file of a made-up tree.
using Files = QList<QPair<QString, QByteArray>>;

} // namespace

class TestRooms : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theTreeKeepsItsOrder();
    void findsWhatBreaksIt_data();
    void findsWhatBreaksIt();
};

void TestRooms::theTreeKeepsItsOrder()
{
    const QStringList found = findings(QStringLiteral(VELKARI_SOURCE_DIR));
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

void TestRooms::findsWhatBreaksIt_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("finding");

    QTest::newRow("upward include")
        << Files{{u"platform/core/Log.cpp"_s, "#include \"platform/ui/Window.h\"\n"},
                 {u"platform/ui/Window.h"_s, ""}}
        << u"platform/core/Log.cpp reaches up to platform/ui/Window.h"_s;
    QTest::newRow("cycle through a source")
        << Files{{u"platform/ui/Window.h"_s, "#include \"platform/ui/ViewController.h\"\n"},
                 {u"platform/ui/ViewController.cpp"_s, " # include \"platform/ui/Window.h\"\n"},
                 {u"platform/ui/ViewController.h"_s, ""}}
        << u"cycle: platform/ui/ViewController -> platform/ui/Window -> "
           "platform/ui/ViewController"_s;
    QTest::newRow("sideways between rooms")
        << Files{{u"platform/sms/SmsTransport.cpp"_s,
                  "#include \"platform/contacts/AddressBook.h\"\n"},
                 {u"platform/contacts/AddressBook.h"_s, ""}}
        << u"platform/sms/SmsTransport.cpp reaches up to platform/contacts/AddressBook.h"_s;
}

void TestRooms::findsWhatBreaksIt()
{
    QFETCH(Files, files);
    QFETCH(QString, finding);
    QTemporaryDir root;
    for (const auto &[path, text] : files)
        QVERIFY(writeFile(root.filePath(path), text));
    QCOMPARE(findings(root.path()), QStringList{finding});
}

QTEST_GUILESS_MAIN(TestRooms)
#include "tst_rooms.moc"
