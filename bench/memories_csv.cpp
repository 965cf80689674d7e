// Memories in and out as CSV: importing 10,000 memories into an empty memory file (reading, checking,
// the duplicate test and one transaction) and exporting them again, beside a bare SQLite insert of
// the same rows in one transaction as the reference; and the peak memory of a process importing a
// file of a million rows, beside the file's size and the peak of one importing the header alone.
#include "Figures.h"
#include "MemoryCsv.h"
#include "MemoryFile.h"
#include "MemoryStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>

namespace {

constexpr int Memories = 10000;
constexpr int Samples = 7;
// The large file: a million rows, of which this many are memories of their own and the rest repeat
// them (the numbers stop at 32767), so that the import goes through to the end.
constexpr int LargeRows = 1000000;
constexpr int LargeDistinct = 30000;
// Given as the first argument, this program imports the file named next into the memory file named
// after it and prints its own peak memory.
constexpr char PeakImport[] = "--peak-import";

// The file as mdb-export writes an Access memory table, every row with kHz of its own up to distinct.
QByteArray mdbExportText(int rows, int distinct)
{
    QByteArray text = "ID,BANDA,MODO,FREQUENZA,GRADI,COMANDO,valido,NOTE\n";
    for (int id = 1; id <= rows; ++id) {
        const int memory = (id - 1) % distinct + 1;
        const int degrees = memory % 181;
        text += QStringLiteral("%1,\"%2\",\"FT8\",\"%3\",%4.00,\"A,%4\",1,\"bench, \"\"row\"\" %1\"\n")
                    .arg(id)
                    .arg(BenchBands[memory % BenchBands.size()])
                    .arg(1000 + memory)
                    .arg(degrees)
                    .toUtf8();
    }
    return text;
}

bool writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// The peak memory of a process of this program importing the file, in MiB; -1 when the import failed.
double importPeakMebibytes(const QString& csv, const QString& database)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(PeakImport), csv, database});
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return -1;
    return child.readAllStandardOutput().trimmed().toDouble();
}

int runPeakImport(const QString& csv, const QString& database)
{
    MemoryStore store;
    const TransferReport report = importMemoriesFromCsv(store, database, csv);
    if (!report.done) {
        std::fprintf(stderr, "import: %s\n", qPrintable(report.text));
        return 1;
    }
    std::printf("%.3f\n", peakResidentMebibytes());
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], PeakImport) == 0)
        return runPeakImport(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    QTemporaryDir directory;
    const QString csv = directory.filePath(QStringLiteral("memories.csv"));
    const QString exported = directory.filePath(QStringLiteral("exported.csv"));
    if (!writeFile(csv, mdbExportText(Memories, Memories)))
        return 1;

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

    const QString large = directory.filePath(QStringLiteral("large.csv"));
    const QString headerOnly = directory.filePath(QStringLiteral("header.csv"));
    const QByteArray largeText = mdbExportText(LargeRows, LargeDistinct);
    if (!writeFile(large, largeText) || !writeFile(headerOnly, mdbExportText(0, 1)))
        return 1;
    const double peak = importPeakMebibytes(large, directory.filePath(QStringLiteral("large.db")));
    const double bare = importPeakMebibytes(headerOnly, directory.filePath(QStringLiteral("header.db")));
    if (peak < 0 || bare < 0)
        return 1;
    const double fileMebibytes = double(largeText.size()) / (1024.0 * 1024.0);
    printFigure("import_1m_rows_file_mib", fileMebibytes, "MiB");
    printFigure("import_1m_rows_peak_mib", peak, "MiB");
    printFigure("import_header_only_peak_mib", bare, "MiB (reference)");
    printFigure("import_1m_rows_peak_above_reference_vs_file", (peak - bare) / fileMebibytes, "x");
    return 0;
}
