#include "MemoryColumns.h"

#include <QStringList>

#include <array>

namespace {

struct ColumnSpec {
    const char* name;
    const char* type;
    const char* role;
};

constexpr std::array<ColumnSpec, MemoryColumnCount> Columns = {{
    {"ID", "INTEGER PRIMARY KEY", "id"},
    {"BANDA", "TEXT", "band"},
    {"MODO", "TEXT", "mode"},
    {"FREQUENZA", "TEXT", "frequency"},
    {"GRADI", "REAL", "degrees"},
    {"COMANDO", "TEXT", "command"},
    {"valido", "BOOLEAN", "valid"},
    {"NOTE", "TEXT", "note"},
}};

template <class Text> QString joined(const QString& separator, Text text)
{
    QStringList parts;
    for (const ColumnSpec& column : Columns)
        parts << text(column);
    return parts.join(separator);
}

} // namespace

QString memoryColumnName(MemoryColumn column)
{
    return QString::fromLatin1(Columns.at(column).name);
}

QString memoryColumnNames(const QString& separator)
{
    return joined(separator, [](const ColumnSpec& column) { return QString::fromLatin1(column.name); });
}

QString memoryTableCreation()
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS MEMO_BANDA (%1)")
        .arg(joined(QStringLiteral(", "), [](const ColumnSpec& column) {
            return QString::fromLatin1(column.name) + u' ' + QString::fromLatin1(column.type);
        }));
}

QString memoryPlaceholder(MemoryColumn column)
{
    return u':' + QString::fromLatin1(Columns.at(column).role);
}

QString memoryInsertion()
{
    return QStringLiteral("INSERT INTO MEMO_BANDA (%1) VALUES (%2)")
        .arg(memoryColumnNames(QStringLiteral(", ")), joined(QStringLiteral(", "), [](const ColumnSpec& column) {
                 return memoryPlaceholder(MemoryColumn(&column - Columns.data()));
             }));
}

QString memoryUpdate()
{
    QStringList assignments;
    for (int column = ColumnBand; column < MemoryColumnCount; ++column)
        assignments << memoryColumnName(MemoryColumn(column)) + u'=' + memoryPlaceholder(MemoryColumn(column));
    return QStringLiteral("UPDATE MEMO_BANDA SET %1 WHERE ID=%2")
        .arg(assignments.join(QStringLiteral(", ")), memoryPlaceholder(ColumnId));
}

QString memorySelection(const QString& rest)
{
    const QString selection = QStringLiteral("SELECT %1 FROM MEMO_BANDA").arg(memoryColumnNames(QStringLiteral(", ")));
    return rest.isEmpty() ? selection : selection + u' ' + rest;
}
