// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/EditProps.h"

#include "platform/core/Log.h"
#include "platform/reminders/ReminderCenter.h"
#include "platform/shell/Application.h"
#include "platform/ui/DatePicker.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextView.h"
#include "schedule/Reminders.h"
#include "schedule/RepeatModes.h"
#include "schedule/ScheduleRecord.h"
#include "screens/VelkariShell.h"

#include "ui_EditProps.h"

#include <QPalette>

using namespace Qt::Literals::StringLiterals;
using platform::log;

namespace velkari {

namespace {

// The record the form edits, when the store has one there.
QVariant *recordAt(VelkariShell *shell, int index)
{
    if (!shell || !shell->mList() || index < 0 || index >= shell->mList()->size())
        return nullptr;
    return &(*shell->mList())[index];
}

} // namespace

EditProps::EditProps(QObject *parent)
    : ScheduleForm(parent)
{
}

QWidget *EditProps::loadView()
{
    auto *view = new QWidget;
    Ui::EditProps ui;
    ui.setupUi(view);
    bindShared(ui);
    connect(ui.btnSave, &QToolButton::clicked, this, &EditProps::btnSave);
    connect(ui.btnDelete, &QPushButton::clicked, this, &EditProps::btnDelete);
    connect(ui.ShowPicker, &QToolButton::clicked, this, &EditProps::ShowPicker);
    // Red that stays readable on a light and on a dark button.
    QPalette palette = ui.btnDelete->palette();
    const bool dark = palette.color(QPalette::Button).lightnessF() < 0.5;
    palette.setColor(QPalette::ButtonText,
                     dark ? QColor(0xff, 0x8a, 0x80) : QColor(0xc5, 0x22, 0x1f));
    ui.btnDelete->setPalette(palette);
    return view;
}

void EditProps::viewDidLoad()
{
    roundCorners();
    VelkariShell *shell = VelkariShell::shared();
    const QVariant *record = recordAt(shell, mIndex);
    if (!record)
        return;
    lblName->setText(recordText(*record, ScheduleField::Name));
    lblNumber->setText(recordText(*record, ScheduleField::Number));
    const QDateTime date = recordDate(*record, ScheduleField::Date);
    if (date.isValid())
        crDate->setDate(date);
    txtMessage->setText(recordText(*record, ScheduleField::Text));

    // A repeat element that is missing or names no mode reads as "None".
    mRepeatIndex = RepeatModes::storedIndex(*record);
    lblRepeat->setText(shell->mRepeatList().value(mRepeatIndex));
}

void EditProps::ShowPicker()
{
    openPeoplePicker();
}

void EditProps::btnSave()
{
    if (refusePassedMoment(this))
        return;
    VelkariShell *shell = VelkariShell::shared();
    QVariant *record = recordAt(shell, mIndex);
    if (!record)
        return;

    // Fields 1 to 6 in place; the ID and the position stay. A record stored
    // without its repeat element gets one.
    QVariantList fields = record->toList();
    if (fields.isEmpty())
        fields.append(u""_s);
    while (fields.size() < ScheduleField::Count)
        fields.append(u""_s);
    fields[ScheduleField::Name] = lblName->text();
    fields[ScheduleField::Number] = lblNumber->text();
    fields[ScheduleField::Date] = crDate->date();
    fields[ScheduleField::Text] = txtMessage->text();
    fields[ScheduleField::Status] = u"0"_s;
    fields[ScheduleField::Repeat] = platform::formatString("%d", {mRepeatIndex});
    *record = fields;
    const QString identifier = recordText(*record, ScheduleField::ID);

    SaveData();
    shell->listTableView()->reloadData();
    platform::ReminderCenter &reminders = *platform::Application::shared()->reminderCenter();
    log("%d", int(reminders.scheduledLocalNotifications().size()));
    CancelReminders(reminders, identifier);
    ScheduleReminder(reminders, identifier, lblName->text(), lblNumber->text(), crDate->date(),
                     mRepeatIndex, u"Send"_s);
    shell->UpdateIconNumber();
    dismissModalViewControllerAnimated(true);
}

void EditProps::btnDelete()
{
    platform::AlertView::show(u"Delete schedule ?"_s, u""_s, this, u"No"_s, {u"Yes"_s})
        ->setCancelButtonIsDefault(true);
}

void EditProps::alertViewClickedButtonAtIndex(platform::AlertView &, int buttonIndex)
{
    if (buttonIndex != 1)
        return;
    VelkariShell *shell = VelkariShell::shared();
    const QVariant *record = recordAt(shell, mIndex);
    if (!record)
        return;
    const QString identifier = recordText(*record, ScheduleField::ID);
    log("-%@", identifier);
    CancelReminders(*platform::Application::shared()->reminderCenter(), identifier, true);
    shell->mList()->removeAt(mIndex);
    SaveData();
    shell->listTableView()->reloadData();
    shell->UpdateIconNumber();
    dismissModalViewControllerAnimated(true);
}

} // namespace velkari
