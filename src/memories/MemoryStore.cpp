#include "MemoryStore.h"

#include "GlobalSettings.h"
#include "MemoryColumns.h"
#include "NumberText.h"
#include "ProgramDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <array>
#include <cmath>
#include <set>

namespace {

const QString Driver = QStringLiteral("QSQLITE");

const QString DuplicateSearch =
    QStringLiteral("Select count(*) from MEMO_BANDA where BANDA=? COLLATE CASELESS and MODO=? COLLATE CASELESS "
                   "and FREQUENZA=? COLLATE CASELESS");

const QString LockedReason =
    QStringLiteral("another program is using it and keeps it locked. Close that program and try again.");
const QString Reading = QStringLiteral("cannot be read");
const QString Changing = QStringLiteral("cannot be changed");
const QString NotADatabaseReason = QStringLiteral("it is not a memory database. It has been left as it is.");

// val() in the list statement: the leading-number value of the band text.
void leadingNumber(sqlite3_context* context, int, sqlite3_value** arguments)
{
    const auto* text = static_cast<const char16_t*>(sqlite3_value_text16(arguments[0]));
    const int bytes = sqlite3_value_bytes16(arguments[0]);
    sqlite3_result_double(context, text ? leadingNumberValue(QStringView(text, bytes / 2)) : 0.0);
}

// Text comparison without regard to letter case, for every alphabet (SQLite's NOCASE knows only ASCII).
int compareCaseless(QStringView left, QStringView right)
{
    return left.compare(right, Qt::CaseInsensitive);
}

int caseless(void*, int leftBytes, const void* left, int rightBytes, const void* right)
{
    return compareCaseless(QStringView(static_cast<const char16_t*>(left), leftBytes / 2),
                           QStringView(static_cast<const char16_t*>(right), rightBytes / 2));
}

// Band, mode and frequency in the order the duplicate search compares them.
using MemoryKey = std::array<QString, 3>;
struct CaselessKeyOrder {
    bool operator()(const MemoryKey& left, const MemoryKey& right) const
    {
        for (std::size_t part = 0; part < left.size(); ++part) {
            if (const int order = compareCaseless(left[part], right[part]))
                return order < 0;
        }
        return false;
    }
};

bool registerFunctions(const QSqlDatabase& database)
{
    const QVariant handle = database.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData());
    return connection &&
           sqlite3_create_function_v2(connection, "val", 1, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr, leadingNumber,
                                      nullptr, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_collation_v2(connection, "CASELESS", SQLITE_UTF16_ALIGNED, nullptr, caseless, nullptr) ==
               SQLITE_OK;
}

// Why an existing file cannot be our store, judged from its first bytes before SQLite touches it.
std::optional<QString> unusableFileReason(const QString& filePath)
{
    QFile file(filePath);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString() + u'.';
    const QByteArray head = file.read(32);
    if (head.isEmpty() || head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return std::nullopt; // SQLite takes an empty file as an empty database
    const QByteArray engine = head.mid(4, 15);
    if (engine == "Standard Jet DB" || engine == "Standard ACE DB") {
        // mdbtools reads Access files: its mdb-export writes the memories as CSV, which we import.
        return QStringLiteral("it is an Access database of the old program, which this program cannot read. "
                              "It has been left as it is. To bring its memories over, move it elsewhere and, in "
                              "the folder you moved it to, run\n"
                              "    mdb-export %1 MEMO_BANDA > memories.csv\n"
                              "    veltrano --import-memories memories.csv\n"
                              "(mdb-export comes with mdbtools; veltrano is this program).")
            .arg(QFileInfo(filePath).fileName());
    }
    return NotADatabaseReason;
}

QString reasonFor(const QSqlError& error)
{
    switch (error.nativeErrorCode().toInt() & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return LockedReason;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return NotADatabaseReason;
    case SQLITE_READONLY: return QStringLiteral("the file cannot be written (it is read-only).");
    default: return error.text() + u'.';
    }
}

void bindStoredValues(QSqlQuery& query, const StoredMemory& memory)
{
    query.bindValue(memoryPlaceholder(ColumnBand), memory.band);
    query.bindValue(memoryPlaceholder(ColumnMode), memory.mode);
    query.bindValue(memoryPlaceholder(ColumnFrequency), memory.frequency);
    query.bindValue(memoryPlaceholder(ColumnDegrees), memory.degrees);
    query.bindValue(memoryPlaceholder(ColumnCommand), memory.command);
    query.bindValue(memoryPlaceholder(ColumnValid), memory.valid);
    query.bindValue(memoryPlaceholder(ColumnNote), memory.note);
}

QString problemText(const QString& filePath, const QString& what, const QString& reason)
{
    return QStringLiteral("The memory file\n%1\n%2: %3").arg(QDir::toNativeSeparators(filePath), what, reason);
}

QList<StoredMemory> storedRows(QSqlQuery& query)
{
    QList<StoredMemory> rows;
    while (query.next()) {
        rows.append({query.value(ColumnId).toInt(), query.value(ColumnBand).toString(),
                     query.value(ColumnMode).toString(), query.value(ColumnFrequency).toString(),
                     query.value(ColumnDegrees).toDouble(), query.value(ColumnCommand).toString(),
                     booleanValue(query.value(ColumnValid)).value_or(false), query.value(ColumnNote).toString()});
    }
    return rows;
}

std::optional<QList<StoredMemory>> readWithAnglesFrom(QSqlDatabase& database, QString& reason)
{
    if (!database.open()) {
        reason = reasonFor(database.lastError());
        return std::nullopt;
    }
    if (!database.tables().contains(QStringLiteral("MEMO_BANDA"), Qt::CaseInsensitive))
        return QList<StoredMemory>(); // a file the editor has not filled yet
    QSqlQuery query(database);
    query.setForwardOnly(true);
    // A file from elsewhere may hold an empty or text angle, which is no angle to tune to.
    if (!query.exec(memorySelection(QStringLiteral("WHERE typeof(GRADI) IN ('integer', 'real')")))) {
        reason = reasonFor(query.lastError());
        return std::nullopt;
    }
    return storedRows(query);
}

} // namespace

QString memoryCommand(const QString& degreesText)
{
    return QStringLiteral("A,") + degreesText.trimmed();
}

StoredMemory storedForm(const TypedMemory& typed)
{
    const QString degrees = typed.degrees.trimmed();
    return {0,
            typed.band.trimmed().toUpper(),
            typed.mode.trimmed().toUpper(),
            plainDecimal(leadingNumberValue(typed.frequency.trimmed())),
            leadingNumberValue(degrees),
            typed.valid ? memoryCommand(degrees) : QStringLiteral(""),
            typed.valid,
            typed.note.trimmed()};
}

std::optional<double> memoryKilohertz(const QString& frequency)
{
    bool number = false;
    const double kHz = frequency.trimmed().toDouble(&number);
    return number && std::isfinite(kHz) && kHz > 0 ? std::optional(kHz) : std::nullopt;
}

QList<UsableMemory> usableMemories(const QList<StoredMemory>& memories)
{
    QList<UsableMemory> usable;
    for (const StoredMemory& memory : memories) {
        const auto kHz = memoryKilohertz(memory.frequency);
        if (memory.valid && kHz && std::isfinite(memory.degrees))
            usable.append({memory.number, memory.band, memory.mode, *kHz, memory.degrees});
    }
    return usable;
}

QString memoryFilePath(const QString& programDirectory, const GlobalSettings& settings)
{
    return joinProgramPath(programDirectory, settings.path_DATI);
}

std::optional<QList<StoredMemory>> MemoryStore::readWithAngles(const QString& filePath, QString* problem)
{
    auto failed = [&](const QString& reason) -> std::optional<QList<StoredMemory>> {
        if (problem)
            *problem = problemText(filePath, Reading, reason);
        return std::nullopt;
    };
    if (!QFileInfo::exists(filePath))
        return QList<StoredMemory>();
    if (const auto reason = unusableFileReason(filePath))
        return failed(*reason);

    // Added and removed within this call, on the one thread that reads the store.
    const QString connectionName = QStringLiteral("veltrano-memories-reader");
    std::optional<QList<StoredMemory>> memories;
    QString reason;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(Driver, connectionName);
        database.setDatabaseName(filePath);
        // A writer holds its lock for a moment only; a reader that finds it locked tries again later.
        database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=50"));
        memories = readWithAnglesFrom(database, reason);
        database.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    return memories ? memories : failed(reason);
}

MemoryStore::MemoryStore()
    : m_connectionName(QStringLiteral("veltrano-memories-%1").arg(quintptr(this), 0, 16))
{
}

MemoryStore::~MemoryStore()
{
    release();
}

bool MemoryStore::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && QSqlDatabase::database(m_connectionName, false).isOpen();
}

bool MemoryStore::fail(const QString& what, const QString& reason)
{
    m_problem = problemText(m_filePath, what, reason);
    return false;
}

bool MemoryStore::failQuery(const QString& what, const QSqlError& error)
{
    return fail(what, reasonFor(error));
}

bool MemoryStore::open(const QString& filePath)
{
    if (isOpen())
        return true;
    m_filePath = filePath;
    const QString opening = QStringLiteral("cannot be opened");
    if (const auto reason = unusableFileReason(filePath))
        return fail(opening, *reason);
    if (!QFileInfo(filePath).dir().mkpath(QStringLiteral(".")))
        return fail(opening, QStringLiteral("its folder cannot be created."));

    QSqlDatabase database = QSqlDatabase::contains(m_connectionName)
                                ? QSqlDatabase::database(m_connectionName, false)
                                : QSqlDatabase::addDatabase(Driver, m_connectionName);
    database.setDatabaseName(filePath);
    // A lock held briefly by another program is waited for; a lasting one is reported. A file marked
    // read-only is shown but never written, even for an administrator who could.
    const QFileInfo file(filePath);
    const bool readOnly = file.exists() && !(file.permissions() & QFileDevice::WriteOwner);
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000") +
                               (readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
    if (!database.open())
        return failQuery(opening, database.lastError());
    if (!registerFunctions(database)) {
        database.close();
        return fail(opening, QStringLiteral("the SQLite driver does not give access to its connection."));
    }
    // Reading the schema also tells a damaged or locked file at once.
    QSqlQuery create(database);
    if (!create.exec(memoryTableCreation())) {
        const QSqlError error = create.lastError();
        create.finish();
        database.close();
        return failQuery(opening, error);
    }
    m_problem.clear();
    m_list = std::make_unique<MemoryListModel>();
    return true;
}

void MemoryStore::close()
{
    m_list.reset();
    m_problem.clear();
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::database(m_connectionName, false).close();
}

void MemoryStore::release()
{
    close();
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
}

bool MemoryStore::ready()
{
    if (isOpen())
        return true;
    if (m_problem.isEmpty()) // otherwise the reason the opening failed still stands
        fail(QStringLiteral("is not open"), QStringLiteral("the memory editor opens it."));
    return false;
}

bool MemoryStore::run(QSqlQuery& query, const QString& statement, const QVariantList& values, const QString& what)
{
    query.prepare(statement);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (query.exec() && (!query.isSelect() || query.next()))
        return true;
    return failQuery(what, query.lastError());
}

template <class Work> bool MemoryStore::inTransaction(Work work)
{
    if (!ready())
        return false;
    QSqlDatabase database = QSqlDatabase::database(m_connectionName, false);
    if (!database.transaction())
        return failQuery(Changing, database.lastError());
    const bool done = work(database);
    if (done && database.commit())
        return true;
    if (done)
        failQuery(Changing, database.lastError());
    database.rollback();
    return false;
}

std::optional<int> MemoryStore::loadList(WhenEmpty whenEmpty)
{
    if (!ready())
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!query.exec(memorySelection(QStringLiteral("order by val(BANDA) DESC")))) {
        failQuery(Reading, query.lastError());
        return std::nullopt;
    }
    // The driver caches every row on the way to the last, which gives the exact count.
    const int rows = query.last() ? query.at() + 1 : 0;
    if (rows == 0 && whenEmpty == WhenEmpty::KeepShown)
        return 0;
    m_list->setQuery(std::move(query));
    while (m_list->canFetchMore())
        m_list->fetchMore();
    return rows;
}

std::optional<bool> MemoryStore::hasDuplicate(const QString& band, const QString& mode, const QString& frequency)
{
    if (!ready())
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!run(query, DuplicateSearch, {band, mode, frequency}, Reading))
        return std::nullopt;
    return query.value(0).toInt() > 0;
}

std::optional<int> MemoryStore::nextNumber()
{
    if (!ready())
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!run(query, QStringLiteral("SELECT max(ID) FROM MEMO_BANDA"), {}, Reading))
        return std::nullopt;
    const qlonglong number = query.value(0).toLongLong() + 1;
    if (number > HighestNumber) {
        failNoNumberLeft();
        return std::nullopt;
    }
    return int(number);
}

bool MemoryStore::failNoNumberLeft()
{
    return fail(
        QStringLiteral("has no number left for a new memory"),
        QStringLiteral("memory number %1 is already in use and no memory can be numbered higher.").arg(HighestNumber));
}

bool MemoryStore::insert(QSqlQuery& query, int number, const StoredMemory& memory)
{
    query.bindValue(memoryPlaceholder(ColumnId), number);
    bindStoredValues(query, memory);
    return query.exec() || failQuery(Changing, query.lastError());
}

std::optional<int> MemoryStore::countNumbered(int number)
{
    if (!ready())
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!run(query, QStringLiteral("SELECT count(*) FROM MEMO_BANDA WHERE ID=?"), {number}, Reading))
        return std::nullopt;
    return query.value(0).toInt();
}

std::optional<int> MemoryStore::add(const TypedMemory& memory)
{
    std::optional<int> number;
    const bool added = inTransaction([&](const QSqlDatabase& database) {
        number = nextNumber();
        if (!number)
            return false;
        QSqlQuery query(database);
        query.prepare(memoryInsertion());
        return insert(query, *number, storedForm(memory));
    });
    return added ? number : std::nullopt;
}

std::optional<MemoryStore::AddedCount> MemoryStore::addAll(qsizetype total,
                                                           const std::function<TypedMemory(qsizetype)>& memoryAt)
{
    AddedCount count;
    const bool done = inTransaction([&](const QSqlDatabase& database) {
        // One search per memory would read the whole table each time: the stored keys are read once.
        std::set<MemoryKey, CaselessKeyOrder> stored;
        QSqlQuery query(database);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("SELECT BANDA, MODO, FREQUENZA FROM MEMO_BANDA")))
            return failQuery(Reading, query.lastError());
        while (query.next())
            stored.insert({query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
        query.prepare(memoryInsertion());
        std::optional<int> first; // asked for only when a memory is new: a full store still skips duplicates
        for (qsizetype index = 0; index < total; ++index) {
            const StoredMemory values = storedForm(memoryAt(index));
            if (!stored.insert({values.band, values.mode, values.frequency}).second) {
                ++count.duplicates;
                continue;
            }
            if (!first && !(first = nextNumber()))
                return false;
            const int number = *first + count.added;
            if (number > HighestNumber)
                return failNoNumberLeft();
            if (!insert(query, number, values))
                return false;
            ++count.added;
        }
        return true;
    });
    return done ? std::optional(count) : std::nullopt;
}

std::optional<QList<StoredMemory>> MemoryStore::memories()
{
    if (!ready())
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    if (!query.exec(memorySelection(QStringLiteral("ORDER BY ID")))) {
        failQuery(Reading, query.lastError());
        return std::nullopt;
    }
    return storedRows(query);
}

std::optional<int> MemoryStore::replaceRange(const QString& band, const QString& mode, double lowKHz, double highKHz,
                                             const QList<TypedMemory>& memories)
{
    int replaced = 0;
    const bool done = inTransaction([&](const QSqlDatabase& database) {
        QSqlQuery query(database);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT ID, FREQUENZA FROM MEMO_BANDA WHERE BANDA=? COLLATE CASELESS AND "
                                     "MODO=? COLLATE CASELESS"));
        query.addBindValue(band.trimmed());
        query.addBindValue(mode.trimmed());
        if (!query.exec())
            return failQuery(Reading, query.lastError());
        QList<int> inRange;
        while (query.next()) {
            bool number = false;
            const double kHz = query.value(1).toString().trimmed().toDouble(&number);
            if (number && kHz >= lowKHz && kHz <= highKHz)
                inRange << query.value(0).toInt();
        }
        query.finish();
        for (const int number : inRange) {
            if (!run(query, QStringLiteral("DELETE FROM MEMO_BANDA WHERE ID=?"), {number}, Changing))
                return false;
        }
        replaced = int(inRange.size());
        const std::optional<int> first = memories.isEmpty() ? std::optional(0) : nextNumber();
        if (!first)
            return false;
        query.prepare(memoryInsertion());
        for (qsizetype i = 0; i < memories.size(); ++i) {
            if (*first + i > HighestNumber)
                return failNoNumberLeft();
            if (!insert(query, int(*first + i), storedForm(memories[i])))
                return false;
        }
        return true;
    });
    return done ? std::optional(replaced) : std::nullopt;
}

bool MemoryStore::change(int number, const TypedMemory& memory)
{
    return inTransaction([&](const QSqlDatabase& database) {
        QSqlQuery update(database);
        update.prepare(memoryUpdate());
        update.bindValue(memoryPlaceholder(ColumnId), number);
        bindStoredValues(update, storedForm(memory));
        return update.exec() || failQuery(Changing, update.lastError());
    });
}

bool MemoryStore::remove(int number)
{
    return inTransaction([&](const QSqlDatabase& database) {
        QSqlQuery erase(database);
        return run(erase, QStringLiteral("DELETE FROM MEMO_BANDA WHERE ID=?"), {number}, Changing);
    });
}
