#pragma once

#include "MemoryColumns.h"

#include <QHash>
#include <QSqlQueryModel>

#include <optional>

// A stored valid flag as a boolean: numbers are true unless zero, the texts "True" and "False" count
// in any letter case; anything else is not a boolean.
std::optional<bool> booleanValue(const QVariant& value);

// The memory list as the editor grid shows it: the valid flag as the text of a boolean, the memory
// cells aligned column by column and no row numbers in the fixed column.
class MemoryListModel final : public QSqlQueryModel {
    Q_OBJECT
public:
    using QSqlQueryModel::QSqlQueryModel;

    void setColumnAlignment(int column, Qt::Alignment alignment);

    QVariant data(const QModelIndex& item, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QHash<int, Qt::Alignment> m_alignments;
};
