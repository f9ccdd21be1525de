#pragma once

#include <QAbstractScrollArea>

namespace platform {

class TableView;

// Where a table gets its rows from. One section.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfRowsInSection(TableView &tableView, int section) = 0;
};

// A scrolling list of rows asked from its data source.
class TableView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TableView(QWidget *parent = nullptr);

    TableViewDataSource *dataSource() const { return mDataSource; }
    void setDataSource(TableViewDataSource *dataSource) { mDataSource = dataSource; }

    // Asks the data source again for everything it shows.
    void reloadData();

    int numberOfRows() const { return mRowCount; }

private:
    TableViewDataSource *mDataSource = nullptr;
    int mRowCount = 0;
};

} // namespace platform
