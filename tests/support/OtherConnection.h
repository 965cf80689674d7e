#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

// A connection of its own to a database file, as another program would have: to set up rows the
// program cannot write, to look at what it wrote, or to hold a lock on the file.
class OtherConnection {
public:
    explicit OtherConnection(const QString& path)
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        database.setDatabaseName(path);
        database.open();
    }
    ~OtherConnection() { QSqlDatabase::removeDatabase(m_name); }
    Q_DISABLE_COPY_MOVE(OtherConnection)

    // Runs one statement; a query comes back on its first row.
    QSqlQuery exec(const QString& statement) const
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        if (query.exec(statement))
            query.next();
        return query;
    }

private:
    QString m_name = QUuid::createUuid().toString();
};
