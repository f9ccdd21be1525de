// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/DatePicker.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextView.h"
#include "schedule/Reminders.h"
#include "screens/EditProps.h"
#include "screens/TableCellView.h"
#include "screens/VelkariViewController.h"
#include "support/AppHarness.h"
#include "support/MockClock.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using platform::AlertView;
using namespace velkari;

namespace {

QVariantList record(const QString &id, qint64 secondsAhead, const QString &status = u"0"_s,
                    const std::optional<QString> &repeat = u"0"_s)
{
    QVariantList r{id,
                   u"Name "_s + id,
                   u"555 "_s + id,
                   platform::Clock::now().addSecs(secondsAhead),
                   u"Text "_s + id,
                   status};
    if (repeat)
        r.append(*repeat);
    return r;
}

QVariantList asList(std::initializer_list<QVariantList> records)
{
    QVariantList list;
    for (const QVariantList &r : records)
        list.append(QVariant(r));
    return list;
}

// The app over some schedules, each with its reminder as the new form made it.
struct Stored {
    Stored(std::initializer_list<QVariantList> records)
        : run(asList(records))
    {
        for (const QVariantList &fields : records) {
            ScheduleReminder(*run.app->reminderCenter(), fields[0].toString(), fields[1].toString(),
                             fields[2].toString(), fields[3].toDateTime(), 0, u"Prepare"_s);
        }
    }
    VelkariViewController *list() { return run.delegate->viewController(); }
    EditProps *open(int row)
    {
        list()->didSelectRowAtIndexPath(*list()->mTableView(), platform::IndexPath::forRow(row));
        return qobject_cast<EditProps *>(list()->presentedViewController());
    }
    QStringList reminderIDs()
    {
        QStringList ids;
        for (const platform::Reminder &r : run.app->scheduledLocalNotifications())
            ids.append(r.userInfo.value(u"ID"_s).toString() + u'/' + r.alertAction);
        return ids;
    }
    QString logPath() const { return run.env().documents() + u"/2026-12-07 10:11:12 +0000.log"_s; }

    AppHarness run;
};

} // namespace

class TestEditProps : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The clock stands still from before the records are made.
    void init() { mClock = std::make_unique<MockClock>(); }
    void cleanup() { mClock.reset(); }
    void fillsFromTheRecord_data();
    void fillsFromTheRecord();
    void openersPassTheirRow();
    void passedMomentRefusesTheSave();
    void savingRewritesInPlaceAndReplacesTheReminder();
    void savingCompletesASixElementRecord();
    void deleteAskedNoChangesNothing();
    void deleteAskedYesRemovesTheSchedule();
    void cancelAfterChangesTouchesNothing();

private:
    std::unique_ptr<MockClock> mClock;
};

void TestEditProps::fillsFromTheRecord_data()
{
    QTest::addColumn<std::optional<QString>>("stored");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("saved");

    QTest::newRow("3") << std::optional(u"3"_s) << 3 << u"Every Week"_s << u"3"_s;
    QTest::newRow("4") << std::optional(u"4"_s) << 4 << u"Eevery Month"_s << u"4"_s;
    QTest::newRow("9") << std::optional(u"9"_s) << 0 << u"None"_s << u"0"_s;
    QTest::newRow("-1") << std::optional(u"-1"_s) << 0 << u"None"_s << u"0"_s;
    QTest::newRow("letters") << std::optional(u"weekly"_s) << 0 << u"None"_s << u"0"_s;
    QTest::newRow("missing") << std::optional<QString>() << 0 << u"None"_s << u"0"_s;
}

void TestEditProps::fillsFromTheRecord()
{
    QFETCH(std::optional<QString>, stored);
    QFETCH(int, index);
    QFETCH(QString, label);
    QFETCH(QString, saved);

    Stored data({record(u"A"_s, 600, u"1"_s, stored)});
    EditProps *form = data.open(0);
    QCOMPARE(form->lblName->text(), u"Name A"_s);
    QCOMPARE(form->lblNumber->text(), u"555 A"_s);
    QCOMPARE(form->crDate->date(), platform::Clock::now().addSecs(600));
    QCOMPARE(form->txtMessage->text(), u"Text A"_s);
    QCOMPARE(form->mRepeatIndex, index);
    QCOMPARE(form->lblRepeat->text(), label);

    form->btnSave(); // unchanged
    QCOMPARE(data.run.delegate->mList()->at(0).toList().at(6), QVariant(saved));
}

void TestEditProps::openersPassTheirRow()
{
    Stored data({record(u"A"_s, 600), record(u"B"_s, 600), record(u"C"_s, 600)});
    EditProps *tapped = data.open(2);
    QCOMPARE(tapped->mIndex, 2);
    QCOMPARE(tapped->modalTransitionStyle(), platform::ModalTransitionStyle::CrossDissolve);
    tapped->btnCancel();

    // The row's own edit button, found under its content view.
    auto *row = static_cast<TableCellView *>(
        data.list()->mTableView()->cellForRowAtIndexPath(platform::IndexPath::forRow(1)));
    row->findChild<QToolButton *>(u"btnEditProps"_s)->click();
    auto *edited = qobject_cast<EditProps *>(data.list()->presentedViewController());
    QVERIFY(edited);
    QCOMPARE(edited->mIndex, 1);
    QCOMPARE(edited->modalTransitionStyle(), platform::ModalTransitionStyle::CoverVertical);
    QCOMPARE(edited->lblName->text(), u"Name B"_s);
}

void TestEditProps::passedMomentRefusesTheSave()
{
    Stored data({record(u"A"_s, -600)});
    const QVariantList before = *data.run.delegate->mList();
    const QByteArray file = readFile(data.run.env().dataFile());
    EditProps *form = data.open(0);
    form->txtMessage->setText(u"changed"_s);
    form->btnSave();

    const QList<AlertView *> alerts = AlertView::visibleAlerts();
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0]->message(), u"Error : Time is passed."_s);
    QCOMPARE(alerts[0]->title(), u""_s);
    QCOMPARE(alerts[0]->buttonTitleAtIndex(0), u"Ok"_s);
    alerts[0]->dismissWithClickedButtonIndex(0);
    QCOMPARE(data.list()->presentedViewController(), form); // only the alert closed
    QCOMPARE(*data.run.delegate->mList(), before);
    QCOMPARE(readFile(data.run.env().dataFile()), file);
    QCOMPARE(data.reminderIDs(), QStringList{u"A/Prepare"_s});
}

void TestEditProps::savingRewritesInPlaceAndReplacesTheReminder()
{
    Stored data({record(u"A"_s, 600), record(u"B"_s, 600, u"1"_s), record(u"C"_s, 600)});
    const qsizetype logged = readFile(data.logPath()).size();
    EditProps *form = data.open(1);
    form->txtMessage->setText(u""_s); // cleared
    form->btnSave();

    const QVariantList saved = data.run.delegate->mList()->at(1).toList();
    QCOMPARE(saved.at(0), QVariant(u"B"_s));
    QCOMPARE(saved.at(4), QVariant(u""_s));
    QCOMPARE(saved.at(5), QVariant(u"0"_s)); // a sent schedule is pending again
    QCOMPARE(data.run.delegate->mList()->at(0).toList().at(0), QVariant(u"A"_s));
    QCOMPARE(data.run.delegate->mList()->at(2).toList().at(0), QVariant(u"C"_s));
    QCOMPARE(platform::PropertyList::readArrayFile(data.run.env().dataFile())->at(1).toList(),
             saved);
    // Exactly one reminder for B, now "Send"; the others untouched.
    QCOMPARE(data.reminderIDs(), (QStringList{u"A/Prepare"_s, u"C/Prepare"_s, u"B/Send"_s}));
    QVERIFY(!data.list()->presentedViewController());
    const QStringList lines =
        QString::fromUtf8(readFile(data.logPath()).mid(logged)).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(lines.first().endsWith(u"] 3"_s)); // reminders registered before the change
    QCOMPARE(data.run.app->applicationIconBadgeNumber(), 3);
}

void TestEditProps::savingCompletesASixElementRecord()
{
    Stored data({record(u"A"_s, 600, u"0"_s, std::nullopt)});
    EditProps *form = data.open(0);
    form->btnSave();
    QCOMPARE(data.run.delegate->mList()->at(0).toList().size(), 7);
    QCOMPARE(data.run.delegate->mList()->at(0).toList().at(6), QVariant(u"0"_s));
}

void TestEditProps::deleteAskedNoChangesNothing()
{
    Stored data({record(u"A"_s, 600), record(u"B"_s, 600)});
    const QByteArray file = readFile(data.run.env().dataFile());
    EditProps *form = data.open(0);
    form->btnDelete();
    const QList<AlertView *> alerts = AlertView::visibleAlerts();
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0]->title(), u"Delete schedule ?"_s);
    QCOMPARE(alerts[0]->message(), u""_s);
    QCOMPARE(alerts[0]->buttonTitleAtIndex(0), u"No"_s);
    QCOMPARE(alerts[0]->buttonTitleAtIndex(1), u"Yes"_s);
    alerts[0]->dismissWithClickedButtonIndex(0);
    QCOMPARE(data.list()->presentedViewController(), form);
    QCOMPARE(data.run.delegate->mList()->size(), 2);
    QCOMPARE(readFile(data.run.env().dataFile()), file);
    QCOMPARE(data.reminderIDs().size(), 2);
}

void TestEditProps::deleteAskedYesRemovesTheSchedule()
{
    Stored data({record(u"A"_s, 600), record(u"B"_s, 600), record(u"C"_s, 600)});
    // B's reminder has already fired: there is none left to withdraw.
    for (const platform::Reminder &r : data.run.app->scheduledLocalNotifications()) {
        if (r.userInfo.value(u"ID"_s) == u"B"_s)
            data.run.app->cancelLocalNotification(r);
    }
    const qsizetype logged = readFile(data.logPath()).size();
    EditProps *form = data.open(1);
    form->btnDelete();
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(1);

    QCOMPARE(data.run.delegate->mList()->size(), 2);
    QCOMPARE(data.run.delegate->mList()->at(1).toList().at(0), QVariant(u"C"_s)); // moved up
    QCOMPARE(platform::PropertyList::readArrayFile(data.run.env().dataFile())->size(), 2);
    QCOMPARE(data.reminderIDs(), (QStringList{u"A/Prepare"_s, u"C/Prepare"_s}));
    QCOMPARE(data.run.app->applicationIconBadgeNumber(), 2);
    QVERIFY(!data.list()->presentedViewController());
    QStringList messages;
    for (const QString &line :
         QString::fromUtf8(readFile(data.logPath()).mid(logged)).split(u'\n', Qt::SkipEmptyParts))
        messages.append(line.section(u"] "_s, 1));
    QCOMPARE(messages.mid(0, 3), (QStringList{u"-B"_s, u"A"_s, u"C"_s}));

    // Deleting the one whose reminder is still registered withdraws it.
    data.open(1)->btnDelete();
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(1);
    QCOMPARE(data.reminderIDs(), QStringList{u"A/Prepare"_s});
}

void TestEditProps::cancelAfterChangesTouchesNothing()
{
    Stored data({record(u"A"_s, 600, u"1"_s, u"2"_s)});
    const QVariantList before = *data.run.delegate->mList();
    const QByteArray file = readFile(data.run.env().dataFile());
    EditProps *form = data.open(0);
    form->txtMessage->setText(u"changed"_s);
    form->crDate->setDate(platform::Clock::now().addDays(3));
    form->btnCancel();
    QCOMPARE(*data.run.delegate->mList(), before);
    QCOMPARE(readFile(data.run.env().dataFile()), file);
    QCOMPARE(data.reminderIDs(), QStringList{u"A/Prepare"_s});
}

QTEST_MAIN(TestEditProps)
#include "tst_editprops.moc"
