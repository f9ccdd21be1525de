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

private:
    SystemItem mSystemItem = Custom;
};

} // namespace platform
