// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/Image.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
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
