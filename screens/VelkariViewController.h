// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/MessageComposer.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

#include <QDateTime>
#include <QPointer>

#include <deque>
#include <memory>

namespace Ui {
class VelkariViewController;
}
namespace platform {
class BarButtonItem;
}

namespace velkari {

class TableCellView;

// The schedule list, the window's root screen for the whole run: row i shows
// record i of the store.
class VelkariViewController : public platform::ViewController,
                              public platform::TableViewDataSource,
                              public platform::TableViewDelegate,
                              public platform::MessageComposeDelegate {
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

    // Opens the message composer with the text and the recipients, for the
    // schedule of mNotID; nothing happens on a device that cannot send text.
    // One composer at a time: while one is open, the next waits for it.
    void sendSMS(const QString &body, const QStringList &recipientList);
    void
    messageComposeViewControllerDidFinishWithResult(platform::MessageComposer &composer,
                                                    platform::MessageComposeResult result) override;

    int numberOfRowsInSection(platform::TableView &tableView, int section) override;
    platform::TableViewCell *cellForRowAtIndexPath(platform::TableView &tableView,
                                                   const platform::IndexPath &indexPath) override;
    void didSelectRowAtIndexPath(platform::TableView &tableView,
                                 const platform::IndexPath &indexPath) override;

protected:
    QWidget *loadView() override;
    void viewDidLoad() override;

private:
    struct Composition {
        QString scheduleID;
        QString body;
        QStringList recipients;
    };
    void openComposer(const Composition &composition);
    void openWaitingComposer();

    std::unique_ptr<Ui::VelkariViewController> ui;
    QPointer<platform::MessageComposer> mComposer;
    // The schedule the open composer was opened for: a reminder arriving
    // meanwhile changes mNotID, not the schedule a sent message marks.
    QString mComposingID;
    std::deque<Composition> mWaitingCompositions;
};

} // namespace velkari
