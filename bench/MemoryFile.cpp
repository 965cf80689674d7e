#include "MemoryFile.h"

#include "MemoryStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>

bool fillMemoryFile(const QString& database, int count, qsizetype bands)
{
    {
        MemoryStore store; // creates the file and its table
        if (!store.open(database))
            return false;
    }
    bool written = false;
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        connection.setDatabaseName(database);
        if (connection.open() && connection.transaction()) {
            QSqlQuery insert(connection);
            insert.prepare(QStringLiteral("INSERT INTO MEMO_BANDA VALUES (?, ?, 'FT8', ?, ?, ?, 1, 'bench')"));
            written = true;
            for (int id = 1; id <= count && written; ++id) {
                const int degrees = id % 181;
                insert.addBindValue(id);
                insert.addBindValue(BenchBands[id % bands]);
                insert.addBindValue(QString::number(1000 + id));
                insert.addBindValue(double(degrees));
                insert.addBindValue(QStringLiteral("A,%1,").arg(degrees));
                written = insert.exec();
            }
            written = written && connection.commit();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return written;
}
