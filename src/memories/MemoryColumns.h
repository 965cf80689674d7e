#pragma once

#include <QString>

// The columns of MEMO_BANDA, in table order: every statement, the editor grid and the CSV header are
// built from this one list.
enum MemoryColumn : int {
    ColumnId,
    ColumnBand,
    ColumnMode,
    ColumnFrequency,
    ColumnDegrees,
    ColumnCommand,
    ColumnValid,
    ColumnNote,
    MemoryColumnCount,
};

// The column's name in the table and in CSV files ("FREQUENZA").
QString memoryColumnName(MemoryColumn column);
// Every column name in table order, each followed by what is put between them ("ID, BANDA, …").
QString memoryColumnNames(const QString& separator);
// The table with its columns, created when the file has none.
QString memoryTableCreation();
// A statement that inserts one memory, each column bound by a placeholder named after its role (":band").
QString memoryInsertion();
// A statement that changes every column of the memory whose ID is bound, placeholders as above.
QString memoryUpdate();
// The placeholder of a column in memoryInsertion().
QString memoryPlaceholder(MemoryColumn column);
// Every column of every memory, in table order, followed by what is given ("ORDER BY ID").
QString memorySelection(const QString& rest = {});
