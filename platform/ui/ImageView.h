// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/Image.h"

#include <QWidget>

namespace platform {

// Shows an image scaled into its bounds, sharp on any screen; screen readers
// hear the image's description.
class ImageView : public QWidget {
    Q_OBJECT
    // Lets a layout name its image.
    Q_PROPERTY(QString imageName READ imageName WRITE setImageName)

public:
    explicit ImageView(QWidget *parent = nullptr);

    Image image() const { return mImage; }
    void setImage(const Image &image);
    QString imageName() const { return mImage.name(); }
    void setImageName(const QString &name) { setImage(Image::named(name)); }

    QSize sizeHint() const override { return {32, 32}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Image mImage;
};

} // namespace platform
