#pragma once

#include "MemoryListModel.h"
#include "UsableMemory.h"

#include <QList>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>

struct GlobalSettings;
class QSqlError;
class QSqlQuery;

// A memory as the editor's fields hold it, every text as typed.
struct TypedMemory {
    QString band;
    QString mode;
    QString frequency;
    QString degrees;
    QString note;
    bool valid = false;
};

// A memory as the store holds it.
struct StoredMemory {
    int number = 0;
    QString band;
    QString mode;
    QString frequency;
    double degrees = 0;
    QString command;
    bool valid = false;
    QString note;

    bool operator==(const StoredMemory&) const = default;
};

// The command a usable memory stores: the position line's start for its angle text ("A,95.5").
QString memoryCommand(const QString& degreesText);

// What "NEW" stores for the typed texts: band and mode trimmed in capitals, frequency and degrees as
// leading-number values, the command only for a usable memory. The number is left at 0.
StoredMemory storedForm(const TypedMemory& typed);

// A memory's frequency as the store writes it, a plain decimal number of kHz, nothing around it:
// nothing when it is not a positive number.
std::optional<double> memoryKilohertz(const QString& frequency);

// The memories that can tune the loop, with their frequency and angle as numbers.
QList<UsableMemory> usableMemories(const QList<StoredMemory>& memories);

// The memory file: the program directory followed by path_DATI.
QString memoryFilePath(const QString& programDirectory, const GlobalSettings& settings);

// The band memories: the table MEMO_BANDA in a SQLite file, created with the table when the file is
// missing. The store owns its connection and the list model the editor grid shows. Every failure
// leaves a message naming the file and the reason in problem(); a file that is not one of ours is
// never written to.
class MemoryStore final {
public:
    // Memory numbers are taken back from the grid as 16-bit integers.
    static constexpr int HighestNumber = 32767;

    // Every memory whose angle is a number, through a read-only connection of its own that is closed
    // again before returning, so the editor's connection and its transactions are left alone. A missing
    // file holds no memories and is not created. On failure the reason is in problem.
    static std::optional<QList<StoredMemory>> readWithAngles(const QString& filePath, QString* problem = nullptr);

    MemoryStore();
    ~MemoryStore();
    MemoryStore(const MemoryStore&) = delete;
    MemoryStore& operator=(const MemoryStore&) = delete;

    // Opens the file, or keeps using the connection when it is already open.
    bool open(const QString& filePath);
    void close();
    // Closes and gives the connection back to Qt, as at program exit.
    void release();
    bool isOpen() const;
    QString problem() const { return m_problem; }

    // Loads the list, largest band first, into list(). With KeepShown an empty result leaves the list
    // showing what it showed. Returns the number of memories found.
    enum class WhenEmpty { Show, KeepShown };
    std::optional<int> loadList(WhenEmpty whenEmpty);
    // The list lives as long as the connection: its rows hold on to the driver. Null while closed.
    MemoryListModel* list() const { return m_list.get(); }

    // Whether a memory with these band, mode and frequency texts exists, letter case aside.
    std::optional<bool> hasDuplicate(const QString& band, const QString& mode, const QString& frequency);
    // The number a new memory gets: one above the highest, refused past HighestNumber.
    std::optional<int> nextNumber();
    std::optional<int> countNumbered(int number);
    // Each change is one transaction. add returns the new memory's number.
    std::optional<int> add(const TypedMemory& memory);
    // Adds the memories 0 to total - 1 in order in one transaction, all or none; each is asked for when
    // it is added, so that the caller can hold them packed. A memory whose stored band, mode and
    // frequency are already in the store, or earlier among them, is skipped as "NEW" would refuse it.
    struct AddedCount {
        int added = 0;
        int duplicates = 0;
    };
    std::optional<AddedCount> addAll(qsizetype total, const std::function<TypedMemory(qsizetype)>& memoryAt);
    // The memories of this band and mode (letter case aside) whose kHz lies from lowKHz to highKHz give
    // way to these, in one transaction, all or none; the new ones are numbered as "NEW" numbers them.
    // Returns how many gave way.
    std::optional<int> replaceRange(const QString& band, const QString& mode, double lowKHz, double highKHz,
                                    const QList<TypedMemory>& memories);
    bool change(int number, const TypedMemory& memory);
    bool remove(int number);
    // Every memory, in number order.
    std::optional<QList<StoredMemory>> memories();

private:
    bool ready();
    bool fail(const QString& what, const QString& reason);
    bool failQuery(const QString& what, const QSqlError& error);
    bool run(QSqlQuery& query, const QString& statement, const QVariantList& values, const QString& what);
    template <class Work> bool inTransaction(Work work);
    bool insert(QSqlQuery& query, int number, const StoredMemory& memory);
    bool failNoNumberLeft();

    QString m_connectionName;
    QString m_filePath;
    QString m_problem;
    std::unique_ptr<MemoryListModel> m_list;
};
