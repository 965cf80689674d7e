#include "MemoryListModel.h"

std::optional<bool> booleanValue(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double: return value.toDouble() != 0;
    default: break;
    }
    const QString text = value.toString().trimmed();
    if (text.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

void MemoryListModel::setColumnAlignment(int column, Qt::Alignment alignment)
{
    m_alignments.insert(column, alignment);
}

QVariant MemoryListModel::data(const QModelIndex& item, int role) const
{
    if (role == Qt::TextAlignmentRole) {
        const auto alignment = m_alignments.constFind(item.column());
        return alignment == m_alignments.constEnd() ? QVariant() : QVariant::fromValue(*alignment);
    }
    const QVariant value = QSqlQueryModel::data(item, role);
    if (role == Qt::DisplayRole && item.column() == ColumnValid) {
        if (const auto flag = booleanValue(value))
            return *flag ? QStringLiteral("True") : QStringLiteral("False");
    }
    return value;
}

QVariant MemoryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return QString();
    return QSqlQueryModel::headerData(section, orientation, role);
}
