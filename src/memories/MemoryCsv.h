#pragma once

#include "MemoryStore.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>

// Memories as CSV text (RFC 4180, UTF-8, a header row), for backups, spreadsheets and the memories of
// an Access file as mdb-export (mdbtools) writes them.

// Why a file cannot be taken; line 0 means the file as a whole.
struct CsvProblem {
    int line = 0;
    QString text;
};

// What an imported memory may hold, held to what the memory editor makes: a band of at most 8
// characters (its field's length), a whole number of kHz from 0 to 99999, degrees within 16 bits, a
// mode of at most 16 characters and a note of at most 4000, and no control character anywhere but the
// note's tabs and line breaks.
constexpr qsizetype MaxCsvBandLength = 8;
constexpr qsizetype MaxCsvModeLength = 16;
constexpr qsizetype MaxCsvNoteLength = 4000;
constexpr int MaxCsvKilohertz = 99999;

// Memories as an import keeps them until they are stored: the texts of every memory one after the
// other in one UTF-8 buffer, so that a file of a million rows takes little more room than its text.
class PackedMemories {
public:
    // The texts of one memory, each UTF-8: band, mode, kHz, degrees, note, as TypedMemory holds them.
    using Texts = std::array<QByteArrayView, 5>;
    void append(const Texts& texts, bool valid);
    void reserveText(qsizetype bytes) { m_text.reserve(bytes); }
    void clear();
    qsizetype size() const { return m_memories.size(); }
    TypedMemory at(qsizetype index) const;

private:
    struct Packed {
        qsizetype start = 0;
        std::array<int, 5> lengths = {};
        bool valid = false;
    };
    QByteArray m_text;
    QList<Packed> m_memories;
};

struct CsvMemories {
    PackedMemories memories;
    std::optional<CsvProblem> problem;
};

// The memories of a CSV file (RFC 4180, UTF-8: fields separated by commas, records by CR LF, LF or CR;
// a field in double quotes may hold commas, line breaks and "" for a quote; blank lines skipped), read
// and checked in one pass that keeps only the memories. The header names the columns, in any order
// and any letter case; BANDA, MODO, FREQUENZA and GRADI are required, COMANDO, valido and NOTE
// optional, others (ID among them) ignored. kHz and degrees must be numbers within the limits above;
// valido is 1/0, TRUE/FALSE or empty (unusable), and a file without the column holds usable memories.
// Any unusable row refuses the whole file.
CsvMemories memoriesFromCsv(const QByteArray& bytes);

// The header ID,BANDA,MODO,FREQUENZA,GRADI,COMANDO,valido,NOTE and one record per memory, texts quoted
// as mdb-export quotes them, records ended by CR LF.
QByteArray memoriesToCsv(const QList<StoredMemory>& memories);

// A whole export or import as the command line and the window run them: the store is opened when it
// is not open yet (and closed again after), and the outcome is one line to show either way.
struct TransferReport {
    bool done = false;
    QString text;
};
TransferReport exportMemoriesToCsv(MemoryStore& store, const QString& storePath, const QString& csvPath);
TransferReport importMemoriesFromCsv(MemoryStore& store, const QString& storePath, const QString& csvPath);
