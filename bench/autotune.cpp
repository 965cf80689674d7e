// Tune by SWR on the simulated station and the emulated board: how long the radio transmits for one
// run that starts 1.2 degrees from the dip with the servo settling 50 ms after each move, and the SWR
// the run leaves. Beside it, the settling alone (moves times 50 ms), the floor for the moves the run
// made, and the same runs with a radio that takes 20 ms to answer each command, as rigctld's own
// dummy radio does.
//
// Then PEAK on the same station: a run that starts 1.5 degrees from the dip with the radio's meter
// settling 100 ms after each move, how long it takes, and the SWR of the station's loop model at the
// shaft angle where it leaves the servo.
#include "BoardSession.h"
#include "EmulatedBoard.h"
#include "Figures.h"
#include "LoopModel.h"
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
constexpr int PeakSettleMs = 100;

struct Figures {
    QList<double> secondsOnAir;
    QList<double> finalSwr;
    QList<double> settleSeconds;
    QList<double> keyUps;
    QList<double> seconds; // from start to end of the run
};

bool measure(const QStringList& stationOptions, TuneRun::Method method, Figures& figures)
{
    const bool byNoise = method == TuneRun::Method::ByNoise;
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
    plan.method = method;
    plan.settleMs = SettleMs;
    plan.peakSettleMs = PeakSettleMs;
    const double dip = station.dip();
    const double offset = byNoise ? 1.5 : 1.2;
    for (int i = 0; i < Runs; ++i) {
        // From above and from below by turns, as following leaves the loop on either side.
        const int start = int(std::lround((dip + (i % 2 ? -offset : offset)) * 10));
        send(QStringLiteral("A,%1,").arg(angleText(start)));
        QTest::qWait(300);
        moves = 0;
        const qsizetype unkeyed = station.count(QStringLiteral("^PTT off"));
        const qsizetype keyed = station.count(QStringLiteral("^PTT on"));
        // A plain event loop: QTest's waits look at events only every 10 ms, which would add up.
        QEventLoop loop;
        QObject::connect(&run, &TuneRun::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        run.start(plan, start);
        loop.exec();
        if (byNoise) {
            const auto last = station.logged(QStringLiteral("^STRENGTH \\S+ shaft=([0-9.]+)"));
            if (run.outcome() != TuneRun::Outcome::Peaked || !last || station.count(QStringLiteral("^PTT on")) > 0)
                return false;
            figures.seconds << run.secondsRunning();
            figures.finalSwr << LoopModel().swr(last->captured(1).toDouble(), 7.05e6);
            continue;
        }
        if (run.outcome() != TuneRun::Outcome::Tuned ||
            !QTest::qWaitFor([&] { return station.count(QStringLiteral("^PTT off")) > unkeyed; }, 5000))
            return false;
        const auto off = station.logged(QStringLiteral("^PTT off on_air_s=([0-9.]+)"));
        figures.secondsOnAir << off->captured(1).toDouble();
        figures.finalSwr << *run.swr();
        figures.settleSeconds << moves * SettleMs / 1000.0;
        figures.keyUps << double(station.count(QStringLiteral("^PTT on")) - keyed);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Figures quick;
    Figures slow;
    Figures peak;
    const auto bySwr = TuneRun::Method::BySwr;
    if (!measure({}, bySwr, quick) || !measure({"--reply-delay", "20"}, bySwr, slow)) {
        std::fprintf(stderr, "the tune runs did not complete on the simulated station\n");
        return 1;
    }
    if (!measure({}, TuneRun::Method::ByNoise, peak)) {
        std::fprintf(stderr, "the PEAK runs did not peak on the simulated station\n");
        return 1;
    }
    printFigure("autotune_tx_seconds", median(quick.secondsOnAir), "s");
    printFigure("autotune_tx_seconds_max", percentile(quick.secondsOnAir, 1), "s");
    printFigure("autotune_final_swr", median(quick.finalSwr), "");
    printFigure("autotune_final_swr_max", percentile(quick.finalSwr, 1), "");
    printFigure("autotune_settle_seconds", median(quick.settleSeconds), "s");
    printFigure("autotune_key_ups_max", percentile(quick.keyUps, 1), "");
    printFigure("autotune_tx_seconds_cat_20ms", median(slow.secondsOnAir), "s");
    printFigure("peak_seconds", median(peak.seconds), "s");
    printFigure("peak_seconds_max", percentile(peak.seconds, 1), "s");
    printFigure("peak_final_swr", median(peak.finalSwr), "");
    printFigure("peak_final_swr_max", percentile(peak.finalSwr, 1), "");
    return 0;
}
