#include "CommandLineMode.h"

#include "GlobalSettings.h"
#include "MemoryCsv.h"
#include "MemoryStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {

void printLine(std::FILE* stream, const QString& text)
{
    std::fputs(qPrintable(text + u'\n'), stream);
    std::fflush(stream);
}

} // namespace

bool wantsCommandLineMode(int argc, const char* const* argv)
{
    for (int index = 1; index < argc; ++index) {
        const char* argument = argv[index];
        for (const char* prefix : {"--export", "--import", "--help"}) {
            if (std::strncmp(argument, prefix, std::strlen(prefix)) == 0)
                return true;
        }
        if (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "-?") == 0)
            return true;
    }
    return false;
}

int runCommandLineMode(QCoreApplication& app)
{
    QCoreApplication::setApplicationName(QStringLiteral("veltrano"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Magnetic-loop antenna control. Without options it opens its window; with one of these it "
                       "moves the band memories in or out of the memory file (path_DATI in VELTRANO.ini) as "
                       "CSV text, without a window."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption exporting(QStringLiteral("export-memories"),
                                       QStringLiteral("Writes every memory to the file (CSV, UTF-8, a header row)."),
                                       QStringLiteral("file.csv"));
    const QCommandLineOption importing(
        QStringLiteral("import-memories"),
        QStringLiteral("Adds the memories of the file (CSV as written by --export-memories, a spreadsheet or "
                       "mdb-export), skipping those already stored; a file with a bad row adds nothing."),
        QStringLiteral("file.csv"));
    parser.addOption(exporting);
    parser.addOption(importing);

    const auto usageError = [&](const QString& text) {
        printLine(stderr, QStringLiteral("veltrano: %1\nTry 'veltrano --help'.").arg(text));
        return 2;
    };
    if (!parser.parse(app.arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        printLine(stdout, parser.helpText().trimmed());
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    if (parser.isSet(exporting) == parser.isSet(importing))
        return usageError(QStringLiteral("give either --export-memories or --import-memories."));

    const QString programDirectory = QCoreApplication::applicationDirPath();
    GlobalSettings settings;
    if (const auto problem = carica_ini(programDirectory, settings)) {
        printLine(stderr, QStringLiteral("veltrano: ") + problem->message());
        return 1;
    }
    MemoryStore store;
    const QString storePath = memoryFilePath(programDirectory, settings);
    const TransferReport report = parser.isSet(exporting)
                                      ? exportMemoriesToCsv(store, storePath, parser.value(exporting))
                                      : importMemoriesFromCsv(store, storePath, parser.value(importing));
    if (!report.done) {
        printLine(stderr, QStringLiteral("veltrano: ") + report.text);
        return 1;
    }
    printLine(stdout, report.text);
    return 0;
}
