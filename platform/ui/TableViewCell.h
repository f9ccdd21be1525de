// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

namespace platform {

// One row of a table. Its layout comes from a .ui file; the table recycles
// rows that leave the screen under their reuse identifier.
class TableViewCell : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString reuseIdentifier READ reuseIdentifier WRITE setReuseIdentifier)

public:
    explicit TableViewCell(QWidget *parent = nullptr);
    // A row of the platform's default style: one line of text.
    explicit TableViewCell(const QString &reuseIdentifier);

    // The default style's text; null for rows laid out otherwise.
    QLabel *textLabel() const { return mTextLabel; }

    QString reuseIdentifier() const { return mReuseIdentifier; }
    void setReuseIdentifier(const QString &identifier) { mReuseIdentifier = identifier; }

    bool isSelected() const { return mSelected; }
    // The standard look of a selected row.
    virtual void setSelected(bool selected, bool animated);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString mReuseIdentifier;
    bool mSelected = false;
    QLabel *mTextLabel = nullptr;
};

} // namespace platform
