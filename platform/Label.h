#pragma once

#include <QLabel>

namespace platform {

// One line of text that ends in "…" when it does not fit, as a phone's
// labels do; the whole text stays available as its tool tip and to screen
// readers.
class Label : public QLabel {
    Q_OBJECT

public:
    explicit Label(QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
};

} // namespace platform
