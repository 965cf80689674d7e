// The radio left transmitting by a program that dies, and a far end that vanishes without a word.
// guard_unkey_after_kill_ms: the main window presses TUNE on the simulated station in a process of
// its own, which is killed at a random moment while the radio transmits; the time from the kill to
// the station's PTT going off, median and worst of 10 (goal: at most 300 ms).
// vanished_far_end_noticed_s: a board link to a host in a network namespace whose cable is cut; the
// time until the link counts as lost, median and worst of 3 (goal: at most 12 s), or why it was not
// measured.
#include "Figures.h"
#include "NetworkNamespace.h"
#include "NetworkTransport.h"
#include "SimulatedStation.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdio>

namespace {

constexpr int Kills = 10;
constexpr int Cuts = 3;

void printSpread(const char* name, const QList<double>& samples, const char* unit, const char* goal)
{
    std::printf("%s: median %.3f %s, worst %.3f %s (%lld runs; goal %s)\n", name, median(samples), unit,
                percentile(samples, 1.0), unit, qint64(samples.size()), goal);
    std::fflush(stdout);
}

// One kill at a random moment of a run; the milliseconds until the station's PTT went off, -1 when
// the run did not get on the air, the PTT stayed on for 5 s or the radio was not given back.
double unkeyAfterKill(SimulatedStation& station)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VELTRANO_GUARD"), QStringLiteral(VELTRANO_GUARD));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qsizetype keyUps = station.count(QStringLiteral("^PTT on"));
    const qsizetype unkeys = station.count(QStringLiteral("^PTT off"));
    program.start(QStringLiteral(TUNING_PROGRAM), {QString::number(station.port()), QStringLiteral("60")});
    if (!QTest::qWaitFor([&] { return station.count(QStringLiteral("^PTT on")) > keyUps; }, 20000))
        return -1;
    QTest::qWait(QRandomGenerator::global()->bounded(3000));
    QElapsedTimer since;
    since.start();
    program.kill();
    if (!QTest::qWaitFor([&] { return station.count(QStringLiteral("^PTT off")) > unkeys; }, 5000))
        return -1;
    const double ms = double(since.nsecsElapsed()) / 1e6;
    program.waitForFinished(5000);
    // The guard gives the radio back before the next run begins.
    if (!QTest::qWaitFor([&] { return station.radio() == u"USB 2400 0.500000 0"; }, 3000))
        return -1;
    return ms;
}

// Seconds from the cut until the link counts as lost; -1 when it did not within 60 s.
double noticedAfterCut(QString& problem)
{
    NetworkNamespace far;
    if (!far.ready()) {
        problem =
            QStringLiteral("cannot make a network namespace here (needs root or CAP_NET_ADMIN): ") + far.problem();
        return -1;
    }
    QTcpServer server;
    if (!far.listenInside(server)) {
        problem = QStringLiteral("cannot listen inside the network namespace");
        return -1;
    }
    NetworkTransport link(
        PortAddress::parse(QStringLiteral("tcp://%1:%2").arg(far.farAddress()).arg(server.serverPort())));
    bool lost = false;
    QObject::connect(&link, &Transport::lost, [&lost] { lost = true; });
    link.open(LineSettings{}, false);
    if (!QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 5000)) {
        problem = QStringLiteral("the link did not reach the namespace");
        return -1;
    }
    if (!far.cutFarEnd()) {
        problem = far.problem();
        return -1;
    }
    QElapsedTimer since;
    since.start();
    if (!QTest::qWaitFor([&] { return lost; }, 60000))
        return -1;
    return double(since.elapsed()) / 1000;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);

    SimulatedStation station;
    if (!station.start({"--freq", "7050000", "--mode", "USB", "--power", "0.5"})) {
        std::fprintf(stderr, "the simulated station did not start\n");
        return 1;
    }
    QList<double> unkeyMs;
    for (int i = 0; i < Kills; ++i) {
        const double ms = unkeyAfterKill(station);
        if (ms < 0) {
            std::printf(
                "guard_unkey_after_kill_ms: run %d did not end with the PTT off within 5 s and the radio given back\n",
                i + 1);
            return 1;
        }
        unkeyMs << ms;
    }
    printSpread("guard_unkey_after_kill_ms", unkeyMs, "ms", "<= 300 ms");

    QList<double> noticedS;
    QString problem;
    for (int i = 0; i < Cuts && problem.isEmpty(); ++i) {
        const double seconds = noticedAfterCut(problem);
        if (seconds < 0 && problem.isEmpty())
            problem = QStringLiteral("the link was not lost within 60 s of the cut");
        if (seconds >= 0)
            noticedS << seconds;
    }
    if (!problem.isEmpty())
        std::printf("vanished_far_end_noticed_s: not measured: %s\n", qPrintable(problem));
    else
        printSpread("vanished_far_end_noticed_s", noticedS, "s", "<= 12 s");
    return 0;
}
