// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/Accessibility.h"

#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace platform {

namespace {

class LabelAccessible : public QAccessibleWidget {
public:
    explicit LabelAccessible(QLabel *label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        const auto *label = static_cast<const QLabel *>(widget());
        const bool named = !label->accessibleName().isEmpty();
        switch (kind) {
        case QAccessible::Name:
            return named ? label->accessibleName() : label->text();
        case QAccessible::Value:
        case QAccessible::Description:
            // "Recipient" alone tells nothing of who it is.
            if (named && label->accessibleDescription().isEmpty())
                return label->text();
            break;
        default:
            break;
        }
        return QAccessibleWidget::text(kind);
    }
};

class TableAccessible : public QAccessibleWidget {
public:
    explicit TableAccessible(TableView *table)
        : QAccessibleWidget(table, QAccessible::List)
    {
    }

    int childCount() const override { return int(cells().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<TableViewCell *> rows = cells();
        return index >= 0 && index < rows.size()
                   ? QAccessible::queryAccessibleInterface(rows[index])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(cells().indexOf(qobject_cast<TableViewCell *>(child->object()))) : -1;
    }
    QString text(QAccessible::Text kind) const override
    {
        const auto *view = static_cast<const TableView *>(widget());
        if (kind == QAccessible::Description && view->numberOfRows() == 0 &&
            view->accessibleDescription().isEmpty())
            return view->placeholderText();
        return QAccessibleWidget::text(kind);
    }

private:
    // The rows in sight, top to bottom; widgets are reused out of order.
    QList<TableViewCell *> cells() const
    {
        return static_cast<TableView *>(widget())->visibleCells();
    }
};

class CellAccessible : public QAccessibleWidget {
public:
    explicit CellAccessible(TableViewCell *cell)
        : QAccessibleWidget(cell, QAccessible::ListItem)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = static_cast<TableViewCell *>(widget())->isSelected();
        return state;
    }
    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override
    {
        if (name != pressAction()) {
            QAccessibleWidget::doAction(name);
            return;
        }
        auto *table = qobject_cast<TableView *>(widget()->parentWidget());
        if (const auto row = table ? table->indexPathForCell(widget()) : std::nullopt)
            table->activateRowAtIndexPath(*row);
    }
};

QAccessibleInterface *platformAccessible(const QString &, QObject *object)
{
    if (auto *label = qobject_cast<QLabel *>(object))
        return new LabelAccessible(label);
    if (auto *table = qobject_cast<TableView *>(object))
        return new TableAccessible(table);
    if (auto *cell = qobject_cast<TableViewCell *>(object))
        return new CellAccessible(cell);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(platformAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace platform
