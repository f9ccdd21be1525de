#include "VelkariAppDelegate.h"

#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/StandardPaths.h"
#include "platform/TableView.h"
#include "platform/Window.h"
#include "schedule/RepeatModes.h"
#include "schedule/UpcomingCount.h"
#include "screens/VelkariViewController.h"

#include "ui_MainWindow.h"

using namespace Qt::Literals::StringLiterals;
using platform::log;

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
    QString error;
    if (!platform::redirectLog(mDocsPathValue + u'/' + logName, &error))
        log("Cannot open the log file %@: %@", logName, error);

    log("Initing App.");

    mWindow->setRootViewController(mViewController.get());
    mWindow->makeKeyAndVisible();

    QStringList names;
    names.reserve(RepeatModes::Count);
    names += RepeatModes::names();
    mRepeatListValue = names;

    const bool launchedByReminder = options.contains(platform::LaunchOptions::LocalNotificationKey);
    UpdateIconNumber();
    Q_UNUSED(launchedByReminder);

    return true;
}

void VelkariAppDelegate::applicationWillEnterForeground(platform::Application &)
{
    mViewController->mTableView()->reloadData();
    UpdateIconNumber();
}

void VelkariAppDelegate::UpdateIconNumber()
{
    const int count = countUpcoming(mStore.mList());
    log("icon=%d", count);
    if (platform::Application *app = platform::Application::shared())
        app->setApplicationIconBadgeNumber(count);
}
