// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/Properties.h"

#include "platform/core/Clock.h"
#include "platform/core/Log.h"
#include "platform/core/Uuid.h"
#include "platform/reminders/ReminderCenter.h"
#include "platform/shell/Application.h"
#include "platform/ui/DatePicker.h"
#include "platform/ui/Label.h"
#include "platform/ui/PlainAlert.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextView.h"
#include "schedule/Reminders.h"
#include "schedule/ScheduleRecord.h"
#include "screens/DateText.h"
#include "screens/VelkariShell.h"

#include "ui_Properties.h"

using namespace Qt::Literals::StringLiterals;
using platform::log;

namespace velkari {

Properties::Properties(QObject *parent)
    : ScheduleForm(parent)
{
}

QWidget *Properties::loadView()
{
    auto *view = new QWidget;
    Ui::Properties ui;
    ui.setupUi(view);
    bindShared(ui);
    connect(ui.btnSave, &QToolButton::clicked, this, &Properties::btnSave);
    connect(ui.showPicker, &QToolButton::clicked, this, &Properties::showPicker);
    return view;
}

void Properties::viewDidLoad()
{
    roundCorners();
    crDate->setDate(platform::Clock::now());
    mRepeatIndex = 0;
}

void Properties::showPicker()
{
    openPeoplePicker();
}

void Properties::btnSave()
{
    VelkariShell *shell = VelkariShell::shared();
    const QDateTime moment = crDate->date();
    log("Now=%@", Date2String(platform::Clock::now()));
    log("%@", Date2String(moment));
    if (refusePassedMoment(nullptr) || !shell)
        return;

    ScheduleStore &store = shell->store();
    if (!store.mList()) {
        // The data file could not be read: nothing can be added to it, so
        // say so instead of registering a reminder for a schedule that is
        // stored nowhere.
        platform::showPlainAlert(
            tr("This schedule can't be saved: %1 could not be read.").arg(store.mDataPath()));
        return;
    }

    const QString identifier = platform::createUuidString();
    const QString repeat = platform::formatString("%d", {mRepeatIndex});
    // An empty label or text is stored as "", keeping all seven fields.
    const QVariantList record{
        identifier, lblName->text(), lblNumber->text(), moment, txtMessage->text(), u"0"_s, repeat};
    store.mList()->append(QVariant(record));
    SaveData();
    shell->listTableView()->reloadData();
    ScheduleReminder(*platform::Application::shared()->reminderCenter(), identifier,
                     lblName->text(), lblNumber->text(), moment, mRepeatIndex, u"Prepare"_s);
    shell->UpdateIconNumber();
    log("%d", store.count());
    dismissModalViewControllerAnimated(true);
}

} // namespace velkari
