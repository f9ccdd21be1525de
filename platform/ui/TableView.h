// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/IndexPath.h"

#include <QHash>
#include <QMap>
#include <QWidget>

#include <optional>

class QScrollBar;
class QVariantAnimation;

namespace platform {

class TableView;
class TableViewCell;

// Where a table gets its rows from. One section.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfRowsInSection(TableView &tableView, int section) = 0;
    // The row's cell, filled; taken from dequeueReusableCellWithIdentifier
    // when one is free, made otherwise. The table owns it from then on.
    virtual TableViewCell *cellForRowAtIndexPath(TableView &tableView,
                                                 const IndexPath &indexPath) = 0;
};

class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    virtual void didSelectRowAtIndexPath(TableView &tableView, const IndexPath &indexPath) = 0;
};

// A scrolling list of equally tall rows. Only the rows in sight exist as
// widgets: a row scrolled out of sight is kept under its reuse identifier and
// handed out again for the next row that comes in, so a table of 100,000 rows
// costs what a screenful costs. The cells are the table's direct children.
class TableView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString placeholderText READ placeholderText WRITE setPlaceholderText)

public:
    explicit TableView(QWidget *parent = nullptr);
    ~TableView() override;

    TableViewDataSource *dataSource() const { return mDataSource; }
    void setDataSource(TableViewDataSource *dataSource) { mDataSource = dataSource; }
    TableViewDelegate *delegate() const { return mDelegate; }
    void setDelegate(TableViewDelegate *delegate) { mDelegate = delegate; }

    // Asks the data source again for the number of rows at once, and for
    // every row in sight on the next turn of the event loop (or when a row is
    // asked for), as the rows are drawn.
    void reloadData();
    // Fills the rows in sight now if a reload is waiting.
    void layoutIfNeeded();

    TableViewCell *dequeueReusableCellWithIdentifier(const QString &identifier);

    // The row of a cell in sight; nothing for any other widget.
    std::optional<IndexPath> indexPathForCell(const QWidget *cell) const;
    TableViewCell *cellForRowAtIndexPath(const IndexPath &indexPath);
    QList<TableViewCell *> visibleCells();

    int numberOfRows() const { return mRowCount; }
    // Taken from the first row's layout.
    int rowHeight() const { return mRowHeight; }

    std::optional<IndexPath> indexPathForSelectedRow() const;
    void selectRowAtIndexPath(const IndexPath &indexPath);
    void scrollToRowAtIndexPath(const IndexPath &indexPath);
    // What a tap on the row does: selects it and tells the delegate.
    void activateRowAtIndexPath(const IndexPath &indexPath);

    // Shown when there are no rows.
    QString placeholderText() const { return mPlaceholder; }
    void setPlaceholderText(const QString &text);

    QScrollBar *verticalScrollBar() const { return mScrollBar; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void layoutRows(bool refill);
    void updateScrollRange();
    void recycle(TableViewCell *cell);
    TableViewCell *cellFor(int row);
    int rowAt(int y) const;
    void activate(int row);

    TableViewDataSource *mDataSource = nullptr;
    TableViewDelegate *mDelegate = nullptr;
    QScrollBar *mScrollBar;
    int mRowCount = 0;
    int mRowHeight = 0;
    int mSelectedRow = -1;
    int mPressedRow = -1;
    // A finger (or a held mouse button) drags the rows; a drag is never a
    // tap, and a quick one goes on gliding after the release.
    QPointF mPressPoint;
    QPointF mLastDragPoint;
    quint64 mLastDragTime = 0; // of the last event of the drag, in ms
    double mDragVelocity = 0;  // px per ms, positive when the rows move up
    bool mDragging = false;
    QVariantAnimation *mGlide = nullptr;
    bool mRefillPending = false;
    QString mPlaceholder;
    QMap<int, TableViewCell *> mVisible;
    QHash<QString, QList<TableViewCell *>> mReusable;
};

} // namespace platform
