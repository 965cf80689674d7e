// Learning 40 m from 7000 to 7200 kHz on the simulated station and the emulated board, the servo's
// shaft off the commanded angle by a wave (0.2 degrees, a period of 3), settling 50 ms after each
// move: how many points, how long on the air and in all, and the worst SWR of the station's loop
// model that following through the learned points leaves at 100 frequencies over the range. Beside
// it, the worst SWR that the two end points alone would leave, and the same run by noise.
#include "Figures.h"
#include "LearnRun.h"
#include "LoopModel.h"
#include "ServoShaft.h"
#include "StationOnBoard.h"
#include "TuningTable.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cmath>

namespace {

constexpr double ErrorDegrees = 0.2;
constexpr double ErrorPeriod = 3;
constexpr double LowKHz = 7000;
constexpr double HighKHz = 7200;

struct Figures {
    int points = 0;
    double secondsOnAir = 0;
    double seconds = 0;
    double worstSwr = 0;
    double twoPointsWorstSwr = 0;
};

// The worst model SWR at 100 frequencies when following sends what the table gives.
double worstFollowedSwr(const TuningTable& table)
{
    ServoShaft servo(0, 0, 0);
    servo.setError(ErrorDegrees, ErrorPeriod);
    double worst = 0;
    for (int step = 0; step < 100; ++step) {
        const double kHz = LowKHz + step * (HighKHz - LowKHz) / 99;
        const double commanded = table.lookup(kHz)->tenths / 10.0;
        worst = std::max(worst, LoopModel().swr(commanded + servo.errorDegrees(commanded), kHz * 1e3));
    }
    return worst;
}

bool measure(LearnPlacement::Method method, Figures& figures)
{
    StationOnBoard setup;
    if (!setup.start(
            {"--servo-error", QString::number(ErrorDegrees), "--servo-error-period", QString::number(ErrorPeriod)},
            1.2))
        return false;
    LearnRun learn(setup.link, *setup.run);
    LearnRun::Plan plan;
    plan.placement = {LowKHz, HighKHz, method, 1.5};
    plan.tune.settleMs = 50;
    plan.tune.peakSettleMs = 100;
    QEventLoop loop;
    QObject::connect(&learn, &LearnRun::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    learn.start(plan, setup.startTenths);
    loop.exec();
    if (learn.outcome() != LearnRun::Outcome::Completed) {
        std::fprintf(stderr, "%s\n", qPrintable(learn.outcomeText()));
        return false;
    }
    const QList<LearnPlacement::Point> points = learn.points();
    figures.points = int(points.size());
    const auto memory = [](const LearnPlacement::Point& point) {
        return UsableMemory{0, {}, {}, point.kHz, point.tenths / 10.0};
    };
    figures.secondsOnAir = learn.secondsOnAir();
    figures.seconds = learn.secondsRunning();
    figures.worstSwr = worstFollowedSwr(learn.table());
    figures.twoPointsWorstSwr =
        worstFollowedSwr(TuningTable({memory(points.constFirst()), memory(points.constLast())}));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Figures bySwr;
    Figures byNoise;
    if (!measure(LearnPlacement::Method::Swr, bySwr) || !measure(LearnPlacement::Method::Noise, byNoise)) {
        std::fprintf(stderr, "the learn runs did not complete on the simulated station\n");
        return 1;
    }
    printFigure("learn_points", bySwr.points, "");
    printFigure("learn_tx_seconds", bySwr.secondsOnAir, "s");
    printFigure("learn_seconds", bySwr.seconds, "s");
    printFigure("learn_follow_worst_swr", bySwr.worstSwr, "");
    printFigure("learn_follow_worst_swr_two_points", bySwr.twoPointsWorstSwr, "");
    printFigure("learn_noise_points", byNoise.points, "");
    printFigure("learn_noise_tx_seconds", byNoise.secondsOnAir, "s");
    printFigure("learn_noise_seconds", byNoise.seconds, "s");
    printFigure("learn_noise_follow_worst_swr", byNoise.worstSwr, "");
    return 0;
}
