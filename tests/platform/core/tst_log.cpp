// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Log.h"
#include "platform/core/Logging.h"
#include "platform/core/TimeZones.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

class TestLog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formatsDirectives_data();
    void formatsDirectives();
    void linesCarryTimeAndProcess();
    void diagnosticsFollowTheRules_data();
    void diagnosticsFollowTheRules();
    void redirectionAppends_data();
    void redirectionAppends();
    void failedRedirectionKeepsStandardError();
    void describesDatesInUtc();
};

void TestLog::formatsDirectives_data()
{
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("expected");

    using platform::formatString;
    QTest::newRow("number") << formatString("icon=%d", {3}) << u"icon=3"_s;
    QTest::newRow("negative") << formatString("%d", {-1}) << u"-1"_s;
    QTest::newRow("text") << formatString("redirecting logs %@", {u"/tmp/ä"_s})
                          << u"redirecting logs /tmp/ä"_s;
    QTest::newRow("two in order") << formatString("%@ (%@)", {u"Anna"_s, u"555"_s})
                                  << u"Anna (555)"_s;
    QTest::newRow("percent sign") << formatString("100%%", {}) << u"100%"_s;
    QTest::newRow("missing argument kept") << formatString("%d left", {}) << u"%d left"_s;
    QTest::newRow("unknown directive kept") << formatString("%x%@", {u"a"_s}) << u"%xa"_s;
    QTest::newRow("trailing percent") << formatString("50%", {}) << u"50%"_s;
    QTest::newRow("argument holding a directive")
        << formatString("%@ %d", {u"%d"_s, 7}) << u"%d 7"_s;
}

void TestLog::formatsDirectives()
{
    QFETCH(QString, result);
    QFETCH(QString, expected);
    QCOMPARE(result, expected);
}

void TestLog::linesCarryTimeAndProcess()
{
    StderrCapture capture;
    platform::log("count=%d of %@", 2, u"two\u00e4"_s);
    const QString text = capture.text();
    const QRegularExpression shape(u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "
                                   "\\S+\\[(\\d+)\\] count=2 of two\u00e4\\n$"_s);
    const auto match = shape.match(text);
    QVERIFY2(match.hasMatch(), qPrintable(text));
    QCOMPARE(match.captured(1).toLongLong(), qint64(::getpid()));
}

void TestLog::diagnosticsFollowTheRules_data()
{
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QStringList>("written");

    const QString store = u"velkari.store: Cannot save a: b"_s;
    const QString timer = u"velkari.core: Reminder timer: x"_s;
    QTest::newRow("no rules") << QString() << QStringList{store, timer, u"icon=3"_s};
    QTest::newRow("one part silenced")
        << u"velkari.store.warning=false"_s << QStringList{timer, u"icon=3"_s};
    // The app's own lines are not diagnostics: no rule takes them away.
    QTest::newRow("every part silenced") << u"velkari.*=false"_s << QStringList{u"icon=3"_s};
}

void TestLog::diagnosticsFollowTheRules()
{
    QFETCH(QString, rules);
    QFETCH(QStringList, written);

    QLoggingCategory::setFilterRules(rules);
    QStringList lines;
    {
        StderrCapture capture;
        qCWarning(platform::lcStore, "Cannot save %s: %s", "a", "b");
        qCInfo(platform::lcCore, "Reminder timer: %s", "x");
        platform::log("icon=%d", 3);
        lines = capture.text().split(u'\n', Qt::SkipEmptyParts);
    }
    QLoggingCategory::setFilterRules({});
    // Each one a line of the platform log, in the order written.
    const QRegularExpression shape(u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "
                                   "\\S+\\[\\d+\\] (.*)$"_s);
    QStringList messages;
    for (const QString &line : lines) {
        const auto match = shape.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        messages << match.captured(1);
    }
    QCOMPARE(messages, written);
}

void TestLog::redirectionAppends_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain") << u"logs"_s;
    // Not ASCII: the platform's own ASCII conversion would fail here.
    QTest::newRow("not ASCII") << u"Dokumänte 文件"_s;
}

void TestLog::redirectionAppends()
{
    QFETCH(QString, folder);
    TestEnvironment env;
    StderrCapture capture;
    const QString dir = env.root() + u'/' + folder;
    QVERIFY(QDir().mkpath(dir));
    const QString path = dir + u"/2026-12-07 10:11:12 +0000.log"_s;
    QVERIFY(writeFile(path, "earlier line\n"));

    const platform::Result<> redirected = platform::redirectLog(path);
    QVERIFY2(redirected, qPrintable(redirected.error()));
    platform::log("after");
    QVERIFY(platform::redirectLog(path));
    platform::log("again");

    const QStringList lines = QString::fromUtf8(readFile(path)).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], u"earlier line"_s);
    QVERIFY(lines[1].endsWith(u"] after"_s));
    QVERIFY(lines[2].endsWith(u"] again"_s));
    QVERIFY(capture.text().isEmpty());
}

void TestLog::failedRedirectionKeepsStandardError()
{
    TestEnvironment env;
    StderrCapture capture;
    const platform::Result<> redirected =
        platform::redirectLog(env.root() + u"/missing/folder/x.log"_s);
    QVERIFY(!redirected);
    QVERIFY(!redirected.error().isEmpty());
    platform::log("still here");
    QVERIFY(capture.text().endsWith(u"] still here\n"_s));
}

void TestLog::describesDatesInUtc()
{
    QCOMPARE(platform::dateDescription(
                 QDateTime(QDate(2026, 12, 7), QTime(10, 11, 12), platform::utc())),
             u"2026-12-07 10:11:12 +0000"_s);
    QCOMPARE(platform::dateDescription(
                 platform::aheadOfUtc(QDate(2011, 5, 2), QTime(1, 0, 0, 900), 3 * 3600)),
             u"2011-05-01 22:00:00 +0000"_s);
}

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
