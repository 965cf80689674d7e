// Memories in and out as CSV: importing 10,000 memories into an empty memory file (reading, checking,
// the duplicate test and one transaction) and exporting them again, beside a bare SQLite insert of
// the same rows in one transaction as the reference.
#include "Figures.h"
#include "MemoryCsv.h"
#include "MemoryFile.h"
#include "MemoryStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int Memories = 10000;
constexpr int Samples = 7;

// The file as mdb-export writes an Access memory table, every row with kHz of its own.
QByteArray mdbExportText()
{
    QByteArray text = "ID,BANDA,MODO,FREQUENZA,GRADI,COMANDO,valido,NOTE\n";
    for (int id = 1; id <= Memories; ++id) {
        const int degrees = id % 181;
        text += QStringLiteral("%1,\"%2\",\"FT8\",\"%3\",%4.00,\"A,%4\",1,\"bench, \"\"row\"\" %1\"\n")
                    .arg(id)
                    .arg(BenchBands[id % BenchBands.size()])
                    .arg(1000 + id)
                    .arg(degrees)
                    .toUtf8();
    }
    return text;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir directory;
    const QString csv = directory.filePath(QStringLiteral("memories.csv"));
    const QString exported = directory.filePath(QStringLiteral("exported.csv"));
    QFile file(csv);
    if (!file.open(QIODevice::WriteOnly) || file.write(mdbExportText()) < 0)
        return 1;
    file.close();

    QList<double> imports, exports, references;
    for (int sample = 0; sample < Samples; ++sample) {
        const QString database = directory.filePath(QStringLiteral("import-%1.db").arg(sample));
        MemoryStore store;
        TransferReport report;
        imports.append(timed([&] { report = importMemoriesFromCsv(store, database, csv); }));
        if (!report.done || !report.text.contains(QStringLiteral("10000 memories added"))) {
            std::fprintf(stderr, "import: %s\n", qPrintable(report.text));
            return 1;
        }
        exports.append(timed([&] { report = exportMemoriesToCsv(store, database, exported); }));
        if (!report.done)
            return 1;
        bool inserted = false;
        references.append(timed([&] {
            inserted = fillMemoryFile(directory.filePath(QStringLiteral("bare-%1.db").arg(sample)), Memories);
        }));
        if (!inserted)
            return 1;
    }
    printFigure("memories_import_10000", median(imports), "ms (goal < 1000)");
    printFigure("memories_export_10000", median(exports), "ms");
    printFigure("sqlite_bare_insert_10000", median(references), "ms (reference)");
    printFigure("memories_import_vs_bare_insert", median(imports) / median(references), "x");
    return 0;
}
