#include "VelkariViewController.h"

#include "StoreAlerts.h"
#include "VelkariShell.h"

#include "ui_VelkariViewController.h"

VelkariViewController::VelkariViewController(QObject *parent)
    : platform::ViewController(parent)
    , ui(std::make_unique<Ui::VelkariViewController>())
{
}

VelkariViewController::~VelkariViewController() = default;

platform::TableView *VelkariViewController::mTableView()
{
    view();
    return ui->mTableView;
}

QWidget *VelkariViewController::loadView()
{
    auto *view = new QWidget;
    ui->setupUi(view);
    ui->mTableView->setDataSource(this);
    return view;
}

void VelkariViewController::viewDidLoad()
{
    LoadData();
    ui->mTableView->reloadData();
}

void VelkariViewController::LoadData()
{
    VelkariShell *shell = VelkariShell::shared();
    if (!shell)
        return;
    ScheduleStore &store = shell->store();
    const ScheduleStore::LoadReport report = store.LoadData();
    reportLoad(report, store.mDataPath());
}

void VelkariViewController::SaveData()
{
    ::SaveData();
}

int VelkariViewController::numberOfRowsInSection(platform::TableView &, int)
{
    VelkariShell *shell = VelkariShell::shared();
    return shell ? shell->store().count() : 0;
}
