// Tune by SWR on the simulated station and the emulated board: how long the radio transmits for one
// run that starts 1.2 degrees from the dip with the servo settling 50 ms after each move, and the SWR
// the run leaves. Beside it, the settling alone (moves times 50 ms), the floor for the moves the run
// made, and the same runs with a radio that takes 20 ms to answer each command, as rigctld's own
// dummy radio does.
#include "BoardSession.h"
#include "EmulatedBoard.h"
#include "Figures.h"
#include "RigLink.h"
#include "SimulatedStation.h"
#include "TuneRun.h"
#include "TuningTable.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>

#include <cmath>

namespace {

constexpr int Runs = 10;
constexpr int SettleMs = 50;

struct Figures {
    QList<double> secondsOnAir;
    QList<double> finalSwr;
    QList<double> settleSeconds;
};

bool measure(const QStringList& stationOptions, Figures& figures)
{
    EmulatedBoard board;
    SimulatedStation station;
    if (!board.start())
        return false;
    board.pulseLineTaker = [&station](const QByteArray& line) { station.takePulseLine(line); };
    if (!station.start(QStringList{"--freq", "7050000", "--mode", "USB", "--power", "0.5"} + stationOptions))
        return false;
    QSerialPort port(board.devicePath());
    port.setBaudRate(9600);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    QObject::connect(&port, &QSerialPort::readyRead, &port, [&port] { port.readAll(); });
    const auto send = [&port](const QString& line) { port.write((line + u'\r').toLatin1()); };
    send(QStringLiteral("IS,9,0,180,"));

    RigLink link;
    link.start(QStringLiteral("127.0.0.1"), station.port(), 100);
    if (!QTest::qWaitFor([&link] { return link.state() == RigLink::State::Connected; }, 5000))
        return false;
    BoardSession session;
    session.setLinkOpen(true);
    session.setServoState(ServoState::On);
    TuneRun run(link, session);
    int moves = 0;
    QObject::connect(&run, &TuneRun::moveRequested, &port, [&](const QString& angle) {
        ++moves;
        send("A," + angle + ',');
    });
    TuneRun::Plan plan;
    plan.settleMs = SettleMs;
    const double dip = station.dip();
    for (int i = 0; i < Runs; ++i) {
        // From above and from below by turns, as following leaves the loop on either side.
        const int start = int(std::lround((dip + (i % 2 ? -1.2 : 1.2)) * 10));
        send(QStringLiteral("A,%1,").arg(angleText(start)));
        QTest::qWait(300);
        moves = 0;
        const qsizetype unkeyed = station.count(QStringLiteral("^PTT off"));
        // A plain event loop: QTest's waits look at events only every 10 ms, which would add up.
        QEventLoop loop;
        QObject::connect(&run, &TuneRun::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        run.start(plan, start);
        loop.exec();
        if (run.outcome() != TuneRun::Outcome::Tuned ||
            !QTest::qWaitFor([&] { return station.count(QStringLiteral("^PTT off")) > unkeyed; }, 5000))
            return false;
        const auto off = station.logged(QStringLiteral("^PTT off on_air_s=([0-9.]+)"));
        figures.secondsOnAir << off->captured(1).toDouble();
        figures.finalSwr << *run.swr();
        figures.settleSeconds << moves * SettleMs / 1000.0;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Figures quick;
    Figures slow;
    if (!measure({}, quick) || !measure({"--reply-delay", "20"}, slow)) {
        std::fprintf(stderr, "the tune runs did not complete on the simulated station\n");
        return 1;
    }
    printFigure("autotune_tx_seconds", median(quick.secondsOnAir), "s");
    printFigure("autotune_tx_seconds_max", percentile(quick.secondsOnAir, 1), "s");
    printFigure("autotune_final_swr", median(quick.finalSwr), "");
    printFigure("autotune_final_swr_max", percentile(quick.finalSwr, 1), "");
    printFigure("autotune_settle_seconds", median(quick.settleSeconds), "s");
    printFigure("autotune_tx_seconds_cat_20ms", median(slow.secondsOnAir), "s");
    return 0;
}
