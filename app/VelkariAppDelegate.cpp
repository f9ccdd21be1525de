// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VelkariAppDelegate.h"

#include "platform/core/Clock.h"
#include "platform/core/Log.h"
#include "platform/core/Logging.h"
#include "platform/core/StandardPaths.h"
#include "platform/shell/Application.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "schedule/Reminders.h"
#include "schedule/RepeatModes.h"
#include "schedule/ScheduleRecord.h"
#include "schedule/UpcomingCount.h"
#include "screens/VelkariViewController.h"

#include "ui_MainWindow.h"

using namespace Qt::Literals::StringLiterals;
using platform::log;

namespace velkari {

VelkariAppDelegate::VelkariAppDelegate()
    : mWindow(std::make_unique<platform::Window>())
    , mViewController(std::make_unique<VelkariViewController>())
{
    Ui::MainWindow mainInterface;
    mainInterface.setupUi(mWindow.get());
}

VelkariAppDelegate::~VelkariAppDelegate()
{
    // The list screen's view lives in the window; let the window go first.
    mWindow.reset();
}

bool VelkariAppDelegate::didFinishLaunchingWithOptions(platform::Application &,
                                                       const platform::LaunchOptions &options)
{
    mDocsPathValue = platform::documentsDirectory();
    log("redirecting logs %@", mDocsPathValue);

    const QString logName = u"%1.log"_s.arg(platform::dateDescription(platform::Clock::now()));
    const platform::Result<> redirected = platform::redirectLog(mDocsPathValue + u'/' + logName);
    if (!redirected)
        qCWarning(platform::lcShell, "Cannot open the log file %s: %s", qUtf8Printable(logName),
                  qUtf8Printable(redirected.error()));

    log("Initing App.");

    mWindow->setRootViewController(mViewController.get());
    mWindow->makeKeyAndVisible();

    QStringList names;
    names.reserve(RepeatModes::Count);
    names += RepeatModes::names();
    mRepeatListValue = names;

    const QVariant launchReminder = options.value(platform::LaunchOptions::LocalNotificationKey);
    UpdateIconNumber();
    if (launchReminder.canConvert<platform::Reminder>())
        composeFor(
            launchReminder.value<platform::Reminder>().userInfo.value(ReminderIDKey).toString());

    return true;
}

void VelkariAppDelegate::applicationWillEnterForeground(platform::Application &)
{
    mViewController->mTableView()->reloadData();
    UpdateIconNumber();
}

platform::TableView *VelkariAppDelegate::listTableView() const
{
    return mViewController ? mViewController->mTableView() : nullptr;
}

void VelkariAppDelegate::UpdateIconNumber()
{
    const int count = countUpcoming(mStore.mList());
    log("icon=%d", count);
    if (platform::Application *app = platform::Application::shared())
        app->setApplicationIconBadgeNumber(count);
}

const QVariant *VelkariAppDelegate::scheduleWithID(const QString &identifier) const
{
    const std::optional<QVariantList> &list = mStore.mList();
    if (!list)
        return nullptr;
    for (const QVariant &record : *list) {
        if (recordElements(record) && recordText(record, ScheduleField::ID) == identifier)
            return &record;
    }
    return nullptr;
}

void VelkariAppDelegate::composeFor(const QString &identifier)
{
    mViewController->mNotID = identifier;
    // A reminder of a schedule that is gone composes nothing.
    if (const QVariant *schedule = scheduleWithID(identifier)) {
        mViewController->sendSMS(recordText(*schedule, ScheduleField::Text),
                                 {recordText(*schedule, ScheduleField::Number)});
    }
}

void VelkariAppDelegate::didReceiveLocalNotification(platform::Application &application,
                                                     const platform::Reminder &reminder)
{
    application.setApplicationIconBadgeNumber(application.applicationIconBadgeNumber() - 1);
    const QString identifier = reminder.userInfo.value(ReminderIDKey).toString();
    mViewController->mNotID = identifier;
    const QVariant *schedule = scheduleWithID(identifier);
    if (!schedule)
        return; // its schedule is gone: no empty alert, no empty composer
    const QString text = recordText(*schedule, ScheduleField::Text);
    const QString number = recordText(*schedule, ScheduleField::Number);
    const QString name = recordText(*schedule, ScheduleField::Name);

    if (application.applicationState() == platform::ApplicationState::Inactive) {
        mViewController->sendSMS(text, {number});
        return;
    }
    platform::AlertView *alert = platform::AlertView::show(
        u"Velkari"_s, platform::formatString("Send SMS to :\n%@ (%@) ?", {name, number}), this,
        u"Cancel"_s, {u"Prepare"_s});
    mAlertIDs.insert(alert, identifier);
}

void VelkariAppDelegate::alertViewClickedButtonAtIndex(platform::AlertView &alertView,
                                                       int buttonIndex)
{
    // Each alert answers for the reminder it shows, also when another one
    // came in after it.
    const QString identifier = mAlertIDs.take(&alertView);
    if (buttonIndex == 1) {
        composeFor(identifier);
        return;
    }
    mViewController->mTableView()->reloadData();
    UpdateIconNumber();
}

} // namespace velkari
