#pragma once

#include <QWidget>

namespace platform {

// One row of a table. Its layout comes from a .ui file; the table recycles
// rows that leave the screen under their reuse identifier.
class TableViewCell : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString reuseIdentifier READ reuseIdentifier WRITE setReuseIdentifier)

public:
    explicit TableViewCell(QWidget *parent = nullptr);

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
};

} // namespace platform
