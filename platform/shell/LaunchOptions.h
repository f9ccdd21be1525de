// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace platform {

// What the platform tells the program about why it was started.
class LaunchOptions {
public:
    // The reminder the user answered to start the application.
    static inline const QString LocalNotificationKey = QStringLiteral("LocalNotification");

    bool contains(const QString &key) const { return mValues.contains(key); }
    QVariant value(const QString &key) const { return mValues.value(key); }
    void insert(const QString &key, const QVariant &value) { mValues.insert(key, value); }
    bool isEmpty() const { return mValues.isEmpty(); }

private:
    QVariantMap mValues;
};

} // namespace platform
