// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/TableViewCell.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace platform {

TableViewCell::TableViewCell(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
}

TableViewCell::TableViewCell(const QString &reuseIdentifier)
    : TableViewCell(static_cast<QWidget *>(nullptr))
{
    mReuseIdentifier = reuseIdentifier;
    resize(320, 44);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 0, 16, 0);
    mTextLabel = new QLabel(this);
    mTextLabel->setObjectName(QStringLiteral("textLabel"));
    layout->addWidget(mTextLabel);
}

void TableViewCell::setSelected(bool selected, bool)
{
    if (mSelected == selected)
        return;
    mSelected = selected;
    update();
}

void TableViewCell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), mSelected ? palette().color(QPalette::Highlight).lighter(170)
                                       : palette().color(QPalette::Base));
    // A hairline between rows.
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(QPoint(12, height() - 1), QPoint(width(), height() - 1));
}

} // namespace platform
