// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/RepeatMode.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/TableViewCell.h"
#include "schedule/RepeatModes.h"
#include "screens/VelkariShell.h"

#include "ui_RepeatMode.h"

#include <QLabel>

using namespace Qt::Literals::StringLiterals;

namespace velkari {

RepeatMode::RepeatMode(QObject *parent)
    : platform::ViewController(parent)
{
}

platform::TableView *RepeatMode::mTableView()
{
    view();
    return mTable;
}

QWidget *RepeatMode::loadView()
{
    auto *view = new QWidget;
    Ui::RepeatMode ui;
    ui.setupUi(view);
    mTable = ui.mTableView;
    mTable->setDataSource(this);
    mTable->setDelegate(this);
    connect(ui.btnDone, &QToolButton::clicked, this, &RepeatMode::btnDone);
    connect(ui.btnCancel, &QToolButton::clicked, this, &RepeatMode::btnCancel);
    mTable->reloadData();
    mTable->selectRowAtIndexPath(platform::IndexPath::forRow(mIndex));
    return view;
}

int RepeatMode::numberOfRowsInSection(platform::TableView &, int)
{
    return RepeatModes::Count;
}

platform::TableViewCell *RepeatMode::cellForRowAtIndexPath(platform::TableView &tableView,
                                                           const platform::IndexPath &indexPath)
{
    platform::TableViewCell *cell = tableView.dequeueReusableCellWithIdentifier(u"MyIdentifier"_s);
    if (!cell)
        cell = new platform::TableViewCell(u"MyIdentifier"_s);
    VelkariShell *shell = VelkariShell::shared();
    const QString name = shell ? shell->mRepeatList().value(indexPath.row) : QString();
    cell->textLabel()->setText(name);
    cell->setAccessibleName(name);
    return cell;
}

void RepeatMode::didSelectRowAtIndexPath(platform::TableView &,
                                         const platform::IndexPath &indexPath)
{
    mIndex = indexPath.row;
}

void RepeatMode::btnDone()
{
    mDone = true;
    mMode = mIndex;
    if (delegate)
        delegate->RepeatModeDidFinish(*this);
    dismissModalViewControllerAnimated(true);
}

void RepeatMode::btnCancel()
{
    dismissModalViewControllerAnimated(true);
}

} // namespace velkari
