#pragma once

#include "platform/TableView.h"
#include "platform/ViewController.h"

#include <memory>

namespace Ui {
class VelkariViewController;
}

// The schedule list, the window's root screen for the whole run.
class VelkariViewController : public platform::ViewController,
                              public platform::TableViewDataSource {
    Q_OBJECT

public:
    explicit VelkariViewController(QObject *parent = nullptr);
    ~VelkariViewController() override;

    platform::TableView *mTableView();

    // The ID of the schedule whose reminder is being answered.
    QString mNotID;

    // The store's load and save, reporting failures to the user.
    void LoadData();
    void SaveData();

    int numberOfRowsInSection(platform::TableView &tableView, int section) override;

protected:
    QWidget *loadView() override;
    void viewDidLoad() override;

private:
    std::unique_ptr<Ui::VelkariViewController> ui;
};
