// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

#include <QPointer>

namespace velkari {

class RepeatMode;

class RepeatModeDelegate {
public:
    virtual ~RepeatModeDelegate() = default;
    // The user confirmed a mode; it is the picker's mMode.
    virtual void RepeatModeDidFinish(RepeatMode &picker) = 0;
};

// Lists the six repeat modes and hands the one the user confirms to its
// delegate. It opens on "None" whatever the form holds.
class RepeatMode : public platform::ViewController,
                   public platform::TableViewDataSource,
                   public platform::TableViewDelegate {
    Q_OBJECT

public:
    explicit RepeatMode(QObject *parent = nullptr);

    platform::TableView *mTableView();

    int mMode = 0;
    bool mDone = false;
    // A spare reference the forms leave unset.
    QPointer<platform::ViewController> mDelegate;
    RepeatModeDelegate *delegate = nullptr;

    void btnDone();
    void btnCancel();

    int numberOfRowsInSection(platform::TableView &tableView, int section) override;
    platform::TableViewCell *cellForRowAtIndexPath(platform::TableView &tableView,
                                                   const platform::IndexPath &indexPath) override;
    void didSelectRowAtIndexPath(platform::TableView &tableView,
                                 const platform::IndexPath &indexPath) override;

protected:
    QWidget *loadView() override;

private:
    int mIndex = 0;
    platform::TableView *mTable = nullptr;
};

} // namespace velkari
