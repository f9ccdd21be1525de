#pragma once

#include "platform/TableView.h"
#include "platform/ViewController.h"

#include <QDateTime>

#include <memory>

namespace Ui {
class VelkariViewController;
}
namespace platform {
class BarButtonItem;
}
class TableCellView;

// The schedule list, the window's root screen for the whole run: row i shows
// record i of the store.
class VelkariViewController : public platform::ViewController,
                              public platform::TableViewDataSource,
                              public platform::TableViewDelegate {
    Q_OBJECT

public:
    explicit VelkariViewController(QObject *parent = nullptr);
    ~VelkariViewController() override;

    // Receives each row loaded from the row layout; read right after.
    TableCellView *tblCell = nullptr;

    platform::TableView *mTableView();
    platform::BarButtonItem *addButton();

    // The ID of the schedule whose reminder is being answered.
    QString mNotID;

    // The store's load and save, reporting failures to the user.
    void LoadData();
    void SaveData();

    // "yyyy/MM/d - HH:mm" in the device's time zone.
    static QString Date2String(const QDateTime &date);

    void btnAdd();
    void btnAbout();

    int numberOfRowsInSection(platform::TableView &tableView, int section) override;
    platform::TableViewCell *cellForRowAtIndexPath(platform::TableView &tableView,
                                                   const platform::IndexPath &indexPath) override;
    void didSelectRowAtIndexPath(platform::TableView &tableView,
                                 const platform::IndexPath &indexPath) override;

protected:
    QWidget *loadView() override;
    void viewDidLoad() override;

private:
    std::unique_ptr<Ui::VelkariViewController> ui;
};
