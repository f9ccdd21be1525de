// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/VelkariAppDelegate.h"
#include "platform/core/PropertyList.h"
#include "platform/shell/Application.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDir>

// Velkari running in the test's process: the real delegate, window and list
// screen over a data file the test chose, with standard error captured as
// the process found it (the app moves it to its log file).
class AppHarness {
public:
    // Writes records to the data file, and vCards to the contacts folder,
    // first when given.
    explicit AppHarness(const std::optional<QVariantList> &records = std::nullopt,
                        const QByteArray &contacts = {},
                        const platform::LaunchOptions &options = {})
    {
        if (records) {
            QDir().mkpath(mEnv.documents());
            if (const auto written = platform::PropertyList::writeFile(mEnv.dataFile(), *records);
                !written)
                qFatal("Cannot write %s: %s", qPrintable(mEnv.dataFile()),
                       qPrintable(written.error()));
        }
        if (!contacts.isEmpty()) {
            const QString folder = mEnv.dataHome() + QStringLiteral("/Velkari/Contacts");
            QDir().mkpath(folder);
            writeFile(folder + QStringLiteral("/contacts.vcf"), contacts);
        }
        platform::ViewController::setAnimationsEnabled(false);
        mStderr = std::make_unique<StderrCapture>();
        auto owned = std::make_unique<velkari::VelkariAppDelegate>();
        delegate = owned.get();
        app = std::make_unique<platform::Application>(std::move(owned));
        app->launch(options);
    }

    ~AppHarness()
    {
        for (platform::AlertView *alert : platform::AlertView::visibleAlerts())
            alert->dismissWithClickedButtonIndex(0);
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    const TestEnvironment &env() const { return mEnv; }

    // Waits until the window is in front and has the focus, as a user's is.
    bool activate()
    {
        QWidget *window = delegate->window();
        window->activateWindow();
        for (int i = 0; i < 100 && app->applicationState() != platform::ApplicationState::Active;
             ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return app->applicationState() == platform::ApplicationState::Active;
    }
    QString originalStderr() const { return mStderr->text(); }

    velkari::VelkariAppDelegate *delegate = nullptr;
    std::unique_ptr<platform::Application> app;

private:
    TestEnvironment mEnv;
    std::unique_ptr<StderrCapture> mStderr;
};
