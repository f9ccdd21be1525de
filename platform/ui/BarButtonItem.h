// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QToolButton>

namespace platform {

// A button of a screen's top bar: a standard item drawn by the platform
// (add, info) or a titled one.
class BarButtonItem : public QToolButton {
    Q_OBJECT
    Q_PROPERTY(SystemItem systemItem READ systemItem WRITE setSystemItem)

public:
    enum SystemItem { Custom, Add, Info };
    Q_ENUM(SystemItem)

    explicit BarButtonItem(QWidget *parent = nullptr);

    SystemItem systemItem() const { return mSystemItem; }
    void setSystemItem(SystemItem item);

    // A titled item, named for tests and screen readers by its title.
    static BarButtonItem *titled(const QString &title, const QString &objectName);

private:
    SystemItem mSystemItem = Custom;
};

// The bar at the top of a platform screen: an item on the left, the title in
// the middle, an item on the right (either item may be null).
QWidget *navigationBar(QWidget *left, const QString &title, QWidget *right);

} // namespace platform
