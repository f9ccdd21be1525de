// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>

namespace platform {

// An image of the application's resources, looked up by name
// (":/images/<name>.svg", or a PNG pair "<name>.png" and "<name>@2x.png").
// Vector images stay crisp at any scale. The image's own title (an SVG's
// <title>) is its accessible description.
class Image {
public:
    Image() = default;

    // A null image when no resource has the name.
    static Image named(const QString &name);

    bool isNull() const { return mIcon.isNull(); }
    // The resource is there but Qt cannot draw it (a missing image plugin):
    // icon() is then a red crossed box.
    bool isBroken() const { return mBroken; }
    QString name() const { return mName; }
    QString accessibleDescription() const { return mDescription; }
    QIcon icon() const { return mIcon; }

private:
    QString mName;
    QString mDescription;
    QIcon mIcon;
    bool mBroken = false;
};

// The application's string table: the localization of key, or key itself
// (value when key is empty) when none is installed.
QString localizedString(const QString &key, const QString &value = {}, const QString &table = {});

} // namespace platform
