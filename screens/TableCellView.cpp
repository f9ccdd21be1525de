// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/TableCellView.h"

#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "screens/EditProps.h"

#include "ui_TableCellView.h"

namespace velkari {

TableCellView::TableCellView(QWidget *parent)
    : platform::TableViewCell(parent)
{
}

TableCellView *TableCellView::loadFromLayout()
{
    auto *cell = new TableCellView;
    Ui::TableCellView ui;
    ui.setupUi(cell);
    cell->lblName = ui.lblName;
    cell->lblNumber = ui.lblNumber;
    cell->crDate = ui.crDate;
    cell->crTxt = ui.crTxt;
    cell->crRepeatMode = ui.crRepeatMode;
    cell->crStatus = ui.crStatus;
    // A fingertip's size, like every other button.
    ui.btnEditProps->setMinimumSize(ui.btnEditProps->minimumSize().expandedTo(QSize(44, 44)));
    connect(ui.btnEditProps, &QToolButton::clicked, cell, &TableCellView::btnEditProps);
    return cell;
}

void TableCellView::setLabelText(const QString &text)
{
    lblName->setText(text);
}

void TableCellView::btnEditProps()
{
    // The button sits in the row's content view: its parents are the
    // content view, the row and the table.
    auto *button = qobject_cast<QWidget *>(sender());
    if (!button || !button->parentWidget() || !button->parentWidget()->parentWidget())
        return;
    QWidget *row = button->parentWidget()->parentWidget();
    auto *table = qobject_cast<platform::TableView *>(row->parentWidget());
    if (!table)
        return;
    const std::optional<platform::IndexPath> indexPath = table->indexPathForCell(row);
    auto *window = qobject_cast<platform::Window *>(table->window());
    if (!indexPath || !window || !window->rootViewController())
        return;
    auto form = std::make_unique<EditProps>();
    form->mIndex = indexPath->row;
    window->rootViewController()->presentModalViewController(std::move(form), true);
}

} // namespace velkari
