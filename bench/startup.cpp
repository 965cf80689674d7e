// Start-up time: from launching a process to its main window shown, for the program (against a
// pseudo-terminal standing in for the board, with its pictures) and for an empty Qt main window and one
// showing a line of text, median of 20 runs each.
#include "Figures.h"
#include "PtyPair.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Launch {
    double milliseconds = -1;
    double residentMebibytes = -1;
};

// Runs the program once; its first line "shown" says the window is up, then it reports its memory.
Launch launch(const QString& program, const QString& workingDirectory, const QStringList& arguments = {})
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    Launch result;
    while (process.waitForReadyRead(10000)) {
        if (process.canReadLine() && process.readLine().startsWith("shown")) {
            result.milliseconds = double(timer.nsecsElapsed()) / 1e6;
            break;
        }
    }
    process.waitForFinished(10000);
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        if (line.startsWith("resident_memory:"))
            result.residentMebibytes = line.mid(16).trimmed().split(' ').first().toDouble();
    }
    return result;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QDir here(QCoreApplication::applicationDirPath());
    const int runs = 20;

    // The program runs from a copy of the program directory, pictures included, whose COM6 is a
    // pseudo-terminal.
    PtyPair board;
    QTemporaryDir programDirectory;
    const QString program = programDirectory.filePath(QStringLiteral("bench_program"));
    QFile::copy(here.filePath(QStringLiteral("bench_program")), program);
    const QDir pictures(QStringLiteral(VELTRANO_IMAGES_DIR));
    QDir(programDirectory.path()).mkdir(QStringLiteral("images"));
    for (const QString& name : pictures.entryList(QDir::Files)) {
        if (!QFile::copy(pictures.filePath(name), programDirectory.filePath(QStringLiteral("images/") + name)))
            return 1;
    }
    QFile settings(programDirectory.filePath(QStringLiteral("VELTRANO.ini")));
    if (!settings.open(QIODevice::WriteOnly))
        return 1;
    settings.write("[sezione 2]\npath_DATI=\\DATABASE\\VELTRANO.MDB\n[sezione 5]\nRELEASE=bench\n"
                   "[sezione 6]\nPORTACOM=6\n[sezione 7]\nPORTACOMSET=9600,n,8,1\n[sezione 8]\nPIN=9\n"
                   "[sezione 9]\nMAXROT=180\n[sezione 10]\nMINROT=0\n[porte]\nCOM6=" +
                   board.devicePath().toLocal8Bit() + "\n");
    settings.close();

    QList<double> programTimes, emptyTimes, textTimes;
    double programMemory = -1, emptyMemory = -1;
    for (int run = 0; run < runs; ++run) {
        // Interleaved, so a slow patch of the machine weighs on both alike.
        const Launch empty = launch(here.filePath(QStringLiteral("bench_empty_window")), here.path());
        const Launch withText =
            launch(here.filePath(QStringLiteral("bench_empty_window")), here.path(), {QStringLiteral("--with-text")});
        const Launch veltrano = launch(program, programDirectory.path());
        if (empty.milliseconds < 0 || withText.milliseconds < 0 || veltrano.milliseconds < 0) {
            std::fprintf(stderr, "a launch did not show its window\n");
            return 1;
        }
        emptyTimes.append(empty.milliseconds);
        textTimes.append(withText.milliseconds);
        programTimes.append(veltrano.milliseconds);
        emptyMemory = empty.residentMebibytes;
        programMemory = veltrano.residentMebibytes;
    }
    printFigure("startup_program_median", median(programTimes), "ms");
    printFigure("startup_empty_window_median", median(emptyTimes), "ms");
    printFigure("startup_ratio", median(programTimes) / median(emptyTimes), "x (goal <= 1.5)");
    printFigure("startup_window_with_text_median", median(textTimes), "ms");
    printFigure("startup_ratio_to_window_with_text", median(programTimes) / median(textTimes), "x");
    printFigure("resident_memory_after_startup", programMemory, "MiB");
    printFigure("resident_memory_empty_window", emptyMemory, "MiB");
    return 0;
}
