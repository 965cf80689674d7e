#include "MemoryGrid.h"

#include <QHeaderView>
#include <QKeyEvent>

MemoryGrid::MemoryGrid(QWidget* parent)
    : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Header texts start at the left, as in a flex grid's fixed row.
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& item) { emit rowChosen(item.row() + 1); });
    connect(horizontalHeader(), &QHeaderView::sectionPressed, this, [this] {
        selectHeaderRow();
        emit rowChosen(0);
    });
}

int MemoryGrid::selectedRow() const
{
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? 0 : rows.last().row() + 1;
}

void MemoryGrid::selectHeaderRow()
{
    if (!selectionModel())
        return;
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void MemoryGrid::keyPressEvent(QKeyEvent* event)
{
    // On the header row a move starts above the first memory, wherever the focus put the cursor.
    if (selectionModel() && !selectionModel()->hasSelection())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    const int before = currentIndex().row();
    QTableView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex().row() != before)
        emit rowChosen(currentIndex().row() + 1);
}
