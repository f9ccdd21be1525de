// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/TableViewCell.h"

class QLabel;
namespace platform {
class ImageView;
}

namespace velkari {

// One row of the schedule list, laid out by TableCellView.ui. It knows
// nothing of the store: the list fills its views every time the row is shown.
class TableCellView : public platform::TableViewCell {
    Q_OBJECT

public:
    explicit TableCellView(QWidget *parent = nullptr);

    // A new row from its layout, outlets bound.
    static TableCellView *loadFromLayout();

    QLabel *lblName = nullptr;
    QLabel *lblNumber = nullptr;
    QLabel *crDate = nullptr;
    QLabel *crTxt = nullptr;
    QLabel *crRepeatMode = nullptr;
    platform::ImageView *crStatus = nullptr;

    void setLabelText(const QString &text);

    // Opens the edit form for the row this button sits in.
    void btnEditProps();
};

} // namespace velkari
