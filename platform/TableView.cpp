#include "TableView.h"

namespace platform {

TableView::TableView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TableView::reloadData()
{
    mRowCount = mDataSource ? qMax(0, mDataSource->numberOfRowsInSection(*this, 0)) : 0;
    viewport()->update();
}

} // namespace platform
