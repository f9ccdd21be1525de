// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/ImageView.h"

#include <QPainter>

namespace platform {

ImageView::ImageView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void ImageView::setImage(const Image &image)
{
    mImage = image;
    setAccessibleName(image.accessibleDescription());
    setToolTip(image.accessibleDescription());
    update();
}

void ImageView::paintEvent(QPaintEvent *)
{
    if (mImage.isNull())
        return;
    QPainter painter(this);
    const int side = qMin(width(), height());
    const QRect square((width() - side) / 2, (height() - side) / 2, side, side);
    mImage.icon().paint(&painter, square);
}

} // namespace platform
