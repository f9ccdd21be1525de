#include "TableCellView.h"

#include "ui_TableCellView.h"

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
    cell->mEditButton = ui.btnEditProps;
    connect(ui.btnEditProps, &QToolButton::clicked, cell, &TableCellView::btnEditProps);
    return cell;
}

void TableCellView::setLabelText(const QString &text)
{
    lblName->setText(text);
}

void TableCellView::btnEditProps()
{
    // Opening the edit form comes with the form itself.
}
