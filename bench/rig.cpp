// Radio to wire: how long after the VFO moves (an F command to rigctld) the position line is readable
// at the board's end, with the program following the radio at POLL_MS=100. The reference is one
// command answered by rigctld on a bare connection, the floor any client of the daemon stands on.
#include "Figures.h"
#include "MainWindowRig.h"
#include "MemoryStore.h"
#include "RigDaemon.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>

namespace {

constexpr int Changes = 200;
constexpr int PollMs = 100;

double millisecondsSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Lets the program run for a while, as the operator's hand is not in step with the polling.
void runFor(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    RigDaemon daemon;
    if (!RigDaemon::installed() || !daemon.start()) {
        std::fprintf(stderr, "rigctld did not start (Debian package libhamlib-utils)\n");
        return 1;
    }

    // The reference: F answered on a connection of its own.
    QList<double> roundTrip;
    QElapsedTimer timer;
    for (int i = 0; i < Changes; ++i) {
        timer.start();
        if (!daemon.setFrequency(7000000 + 10 * i))
            return 1;
        roundTrip.append(millisecondsSince(timer));
    }

    // Memories from 7000 kHz at 0 degrees to 7200 kHz at 180, every 20 kHz.
    MainWindowRig rig;
    {
        MemoryStore store;
        if (!store.open(QDir(rig.directory.path()).filePath(QStringLiteral("DATABASE/VELTRANO.MDB"))))
            return 1;
        for (int step = 0; step <= 10; ++step) {
            if (!store.add({QStringLiteral("40"), QStringLiteral("FT8"), QString::number(7000 + 20 * step),
                            QString::number(18 * step), QString(), true}))
                return 1;
        }
    }
    rig.directory.writeSettings(
        TestProgramDirectory::standardSettings(rig.board.devicePath()) +
        QStringLiteral("[rig]\r\nPORT=%1\r\nFOLLOW=1\r\nPOLL_MS=%2\r\n").arg(daemon.port()).arg(PollMs).toLatin1());
    if (!rig.start())
        return 1;
    rig.click("Command1");
    runFor(500);
    rig.board.drain();

    QList<double> changeToWire;
    auto* random = QRandomGenerator::global();
    qint64 hertz = 7100000;
    for (int i = 0; i < Changes; ++i) {
        // A step of 5 to 50 kHz either way moves the angle by several tenths at least.
        const qint64 step = 5000 * random->bounded(1, 11);
        hertz += (hertz + step > 7200000 || (hertz - step >= 7000000 && random->bounded(2))) ? -step : step;
        runFor(random->bounded(PollMs));
        rig.board.drain(std::chrono::milliseconds(0));
        timer.start();
        daemon.send("F " + QByteArray::number(hertz));
        QByteArray line;
        while (!line.contains('\r')) {
            const QByteArray bytes = rig.board.readFromProgram(1, std::chrono::milliseconds(2000));
            if (bytes.isEmpty()) {
                std::fprintf(stderr, "no line on the wire for %lld Hz\n", static_cast<long long>(hertz));
                return 1;
            }
            line += bytes;
        }
        changeToWire.append(millisecondsSince(timer));
    }

    printFigure("rigctld_round_trip_median", median(roundTrip), "ms");
    printFigure("rig_change_to_wire_median", median(changeToWire), "ms (goal <= 100)");
    printFigure("rig_change_to_wire_p99", percentile(changeToWire, 0.99), "ms (goal <= 160)");
    return 0;
}
