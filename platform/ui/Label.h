// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

namespace platform {

// One line of text that ends in "…" when it does not fit, as a phone's
// labels do; the whole text stays available as its tool tip and to screen
// readers.
class Label : public QLabel {
    Q_OBJECT
    // Shown greyed while the text is empty; never part of text().
    Q_PROPERTY(QString placeholderText READ placeholderText WRITE setPlaceholderText)

public:
    explicit Label(QWidget *parent = nullptr);

    QString placeholderText() const { return mPlaceholder; }
    void setPlaceholderText(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The most of a text a line can show: only this much is laid out, so a
    // text of megabytes costs what a short one does.
    static constexpr int MaximumShownLength = 1024;
    // The start of text() that is measured and drawn, line breaks as blanks.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    QString mPlaceholder;
};

} // namespace platform
