// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/Image.h"

#include "platform/core/Logging.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QXmlStreamReader>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

QString svgTitle(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    while (xml.readNextStartElement()) {
        if (xml.name() == u"svg")
            continue;
        if (xml.name() == u"title")
            return xml.readElementText().simplified();
        xml.skipCurrentElement();
    }
    return {};
}

// Drawn in place of an image Qt cannot draw (Debian 13 ships the SVG
// plugins apart, in qt6-svg-plugins): a red crossed box, so the fault shows
// instead of an empty space.
QIcon brokenIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::red, 3));
    painter.drawRect(QRectF(1.5, 1.5, 29, 29));
    painter.drawLine(QPointF(4, 4), QPointF(28, 28));
    painter.drawLine(QPointF(28, 4), QPointF(4, 28));
    return QIcon(pixmap);
}

} // namespace

Image Image::named(const QString &name)
{
    static QHash<QString, Image> cache;
    const auto cached = cache.constFind(name);
    if (cached != cache.cend())
        return *cached;

    Image image;
    const QString svg = u":/images/"_s + name + u".svg"_s;
    const QString png = u":/images/"_s + name + u".png"_s;
    if (!name.isEmpty() && QFile::exists(svg)) {
        image.mIcon = QIcon(svg);
        image.mDescription = svgTitle(svg);
    } else if (!name.isEmpty() && QFile::exists(png)) {
        image.mIcon = QIcon(png); // picks up "@2x" beside it
    }
    if (!name.isEmpty() && (QFile::exists(svg) || QFile::exists(png)) &&
        image.mIcon.pixmap(QSize(16, 16)).isNull()) {
        qCCritical(lcUi,
                   "Image %s cannot be drawn; is Qt's SVG image plugin (qt6-svg-plugins) "
                   "installed?",
                   qUtf8Printable(name));
        image.mIcon = brokenIcon();
        image.mBroken = true;
    }
    if (!image.mIcon.isNull()) {
        image.mName = name;
        if (image.mDescription.isEmpty())
            image.mDescription = name;
    }
    cache.insert(name, image);
    return image;
}

QString localizedString(const QString &key, const QString &value, const QString &table)
{
    if (key.isEmpty())
        return value;
    const QByteArray context = table.isEmpty() ? QByteArray("Localizable") : table.toUtf8();
    return QCoreApplication::translate(context.constData(), key.toUtf8().constData());
}

} // namespace platform
