// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/TableView.h"

#include "platform/ui/TableViewCell.h"

#include <QApplication>
#include <QEasingCurve>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QVariantAnimation>
#include <QWheelEvent>

namespace platform {

namespace {
constexpr int fallbackRowHeight = 44;
} // namespace

TableView::TableView(QWidget *parent)
    : QWidget(parent)
    , mScrollBar(new QScrollBar(Qt::Vertical, this))
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    mScrollBar->setObjectName(QStringLiteral("tableScrollBar"));
    mScrollBar->hide();
    connect(mScrollBar, &QScrollBar::valueChanged, this, [this] { layoutRows(false); });
    mGlide = new QVariantAnimation(this);
    mGlide->setEasingCurve(QEasingCurve::OutCubic);
    connect(mGlide, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { mScrollBar->setValue(value.toInt()); });
}

TableView::~TableView() = default;

void TableView::reloadData()
{
    mRowCount = mDataSource ? qMax(0, mDataSource->numberOfRowsInSection(*this, 0)) : 0;
    if (mSelectedRow >= mRowCount)
        mSelectedRow = -1;
    updateScrollRange();
    update();
    if (mRefillPending)
        return;
    mRefillPending = true;
    QMetaObject::invokeMethod(this, &TableView::layoutIfNeeded, Qt::QueuedConnection);
}

void TableView::layoutIfNeeded()
{
    if (!mRefillPending)
        return;
    mRefillPending = false;
    layoutRows(true);
}

TableViewCell *TableView::dequeueReusableCellWithIdentifier(const QString &identifier)
{
    auto it = mReusable.find(identifier);
    if (it == mReusable.end() || it->isEmpty())
        return nullptr;
    return it->takeLast();
}

std::optional<IndexPath> TableView::indexPathForCell(const QWidget *cell) const
{
    for (auto it = mVisible.cbegin(); it != mVisible.cend(); ++it) {
        if (it.value() == cell)
            return IndexPath::forRow(it.key());
    }
    return std::nullopt;
}

TableViewCell *TableView::cellForRowAtIndexPath(const IndexPath &indexPath)
{
    layoutIfNeeded();
    return mVisible.value(indexPath.row, nullptr);
}

QList<TableViewCell *> TableView::visibleCells()
{
    layoutIfNeeded();
    return mVisible.values();
}

std::optional<IndexPath> TableView::indexPathForSelectedRow() const
{
    if (mSelectedRow < 0)
        return std::nullopt;
    return IndexPath::forRow(mSelectedRow);
}

void TableView::selectRowAtIndexPath(const IndexPath &indexPath)
{
    if (indexPath.row < 0 || indexPath.row >= mRowCount)
        return;
    if (TableViewCell *old = mVisible.value(mSelectedRow, nullptr))
        old->setSelected(false, false);
    mSelectedRow = indexPath.row;
    if (TableViewCell *cell = mVisible.value(mSelectedRow, nullptr))
        cell->setSelected(true, false);
}

void TableView::scrollToRowAtIndexPath(const IndexPath &indexPath)
{
    if (mRowHeight <= 0 || indexPath.row < 0 || indexPath.row >= mRowCount)
        return;
    const int top = indexPath.row * mRowHeight;
    const int bottom = top + mRowHeight;
    if (top < mScrollBar->value())
        mScrollBar->setValue(top);
    else if (bottom > mScrollBar->value() + height())
        mScrollBar->setValue(bottom - height());
}

void TableView::activateRowAtIndexPath(const IndexPath &indexPath)
{
    if (indexPath.row >= 0 && indexPath.row < mRowCount)
        activate(indexPath.row);
}

void TableView::setPlaceholderText(const QString &text)
{
    mPlaceholder = text;
    update();
}

void TableView::resizeEvent(QResizeEvent *)
{
    const int barWidth = mScrollBar->sizeHint().width();
    mScrollBar->setGeometry(width() - barWidth, 0, barWidth, height());
    updateScrollRange();
    layoutRows(false);
}

void TableView::wheelEvent(QWheelEvent *event)
{
    const int step = event->pixelDelta().isNull() ? event->angleDelta().y() * mRowHeight / 120
                                                  : event->pixelDelta().y();
    mScrollBar->setValue(mScrollBar->value() - step);
    event->accept();
}

void TableView::mousePressEvent(QMouseEvent *event)
{
    // A press on gliding rows only stops them.
    const bool wasGliding = mGlide->state() == QAbstractAnimation::Running;
    mGlide->stop();
    const QPointF point = mapFromGlobal(event->globalPosition());
    mPressedRow = event->button() == Qt::LeftButton && !wasGliding ? rowAt(int(point.y())) : -1;
    mPressPoint = mLastDragPoint = point;
    // The events' own times: a clock set meanwhile, or a late delivery, does
    // not make the rows jump.
    mLastDragTime = event->timestamp();
    mDragVelocity = 0;
    mDragging = false;
    setFocus(Qt::MouseFocusReason);
}

void TableView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPointF point = mapFromGlobal(event->globalPosition());
    if (!mDragging) {
        if (qAbs(point.y() - mPressPoint.y()) < QApplication::styleHints()->startDragDistance())
            return;
        mDragging = true;
        mPressedRow = -1; // a drag never opens a row
        mLastDragPoint = point;
    }
    const quint64 now = event->timestamp();
    const double moved = mLastDragPoint.y() - point.y();
    const quint64 elapsed = now > mLastDragTime ? now - mLastDragTime : 1;
    // Smoothed, so one late event does not decide the glide.
    mDragVelocity = 0.7 * (moved / double(elapsed)) + 0.3 * mDragVelocity;
    mScrollBar->setValue(mScrollBar->value() + qRound(moved));
    mLastDragPoint = point;
    mLastDragTime = now;
}

void TableView::mouseReleaseEvent(QMouseEvent *event)
{
    const int row = rowAt(int(mapFromGlobal(event->globalPosition()).y()));
    if (mDragging) {
        const bool fresh = event->timestamp() - mLastDragTime < 100;
        if (fresh && qAbs(mDragVelocity) > 0.3) {
            // About the distance a finger's flick carries on a phone.
            const int distance = qRound(mDragVelocity * 300);
            const int target = qBound(0, mScrollBar->value() + distance, mScrollBar->maximum());
            mGlide->setDuration(600);
            mGlide->setStartValue(mScrollBar->value());
            mGlide->setEndValue(target);
            mGlide->start();
        }
    } else if (event->button() == Qt::LeftButton && row >= 0 && row == mPressedRow) {
        activate(row);
    }
    mDragging = false;
    mPressedRow = -1;
}

void TableView::keyPressEvent(QKeyEvent *event)
{
    if (mRowCount == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int page = mRowHeight > 0 ? qMax(1, height() / mRowHeight - 1) : 1;
    int row = mSelectedRow;
    switch (event->key()) {
    case Qt::Key_Down:
        row = qMin(mRowCount - 1, row + 1);
        break;
    case Qt::Key_Up:
        row = qMax(0, row - 1);
        break;
    case Qt::Key_PageDown:
        row = qMin(mRowCount - 1, row + page);
        break;
    case Qt::Key_PageUp:
        row = qMax(0, row - page);
        break;
    case Qt::Key_Home:
        row = 0;
        break;
    case Qt::Key_End:
        row = mRowCount - 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (mSelectedRow >= 0)
            activate(mSelectedRow);
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    selectRowAtIndexPath(IndexPath::forRow(row));
    scrollToRowAtIndexPath(IndexPath::forRow(row));
}

void TableView::paintEvent(QPaintEvent *)
{
    if (mRowCount > 0 || mPlaceholder.isEmpty())
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(rect().adjusted(24, 0, -24, 0), Qt::AlignCenter | Qt::TextWordWrap,
                     mPlaceholder);
}

void TableView::updateScrollRange()
{
    const int content = mRowCount * qMax(mRowHeight, 1);
    const int range = qMax(0, content - height());
    mScrollBar->setRange(0, range);
    mScrollBar->setPageStep(height());
    mScrollBar->setSingleStep(qMax(mRowHeight, fallbackRowHeight) / 2);
    mScrollBar->setVisible(range > 0);
    if (range > 0)
        mScrollBar->raise();
}

void TableView::recycle(TableViewCell *cell)
{
    cell->hide();
    cell->setSelected(false, false);
    if (cell->reuseIdentifier().isEmpty())
        cell->deleteLater(); // cannot be handed out again
    else
        mReusable[cell->reuseIdentifier()].append(cell);
}

TableViewCell *TableView::cellFor(int row)
{
    TableViewCell *cell = mDataSource->cellForRowAtIndexPath(*this, IndexPath::forRow(row));
    if (!cell)
        return nullptr;
    if (cell->parentWidget() != this)
        cell->setParent(this);
    if (mRowHeight <= 0) {
        // The row layout says how tall a row is.
        mRowHeight = cell->height() > 0 ? cell->height() : cell->sizeHint().height();
        if (mRowHeight <= 0)
            mRowHeight = fallbackRowHeight;
        updateScrollRange();
    }
    return cell;
}

void TableView::layoutRows(bool refill)
{
    // Rows that left the view, or every row on a reload, go back to the pool
    // first, so the data source gets them again for the rows coming in.
    const int offset = mScrollBar->value();
    const int rowHeight = qMax(mRowHeight, 1);
    const int first = offset / rowHeight;
    const int last = qMin(mRowCount - 1, (offset + qMax(height(), 1) - 1) / rowHeight);
    for (auto it = mVisible.begin(); it != mVisible.end();) {
        if (refill || it.key() < first || it.key() > last) {
            recycle(it.value());
            it = mVisible.erase(it);
        } else {
            ++it;
        }
    }
    if (!mDataSource || mRowCount == 0)
        return;

    const int width = this->width() - (mScrollBar->isVisible() ? mScrollBar->width() : 0);
    for (int row = first; row <= last && row < mRowCount; ++row) {
        TableViewCell *cell = mVisible.value(row, nullptr);
        if (!cell) {
            cell = cellFor(row);
            if (!cell)
                continue;
            mVisible.insert(row, cell);
            cell->setSelected(row == mSelectedRow, false);
            if (rowHeight != mRowHeight) {
                // The first row told the height only now: place again.
                layoutRows(false);
                return;
            }
        }
        cell->setGeometry(0, row * mRowHeight - offset, width, mRowHeight);
        cell->show();
    }
}

int TableView::rowAt(int y) const
{
    if (mRowHeight <= 0 || y < 0)
        return -1;
    const int row = (y + mScrollBar->value()) / mRowHeight;
    return row < mRowCount ? row : -1;
}

void TableView::activate(int row)
{
    selectRowAtIndexPath(IndexPath::forRow(row));
    if (mDelegate)
        mDelegate->didSelectRowAtIndexPath(*this, IndexPath::forRow(row));
}

} // namespace platform
