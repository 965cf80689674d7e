// Learning a band: the placement driven against the simulated station's loop with a servo that stands
// off the commanded angle, and the drift offset following adds.
#include "LearnPlacement.h"
#include "LoopModel.h"
#include "NoiseMeter.h"
#include "ServoShaft.h"
#include "SwrSearch.h"
#include "TuningOffsets.h"
#include "TuningTable.h"
#include "UsableMemory.h"

#include <QTest>

#include <cmath>

namespace {

using Method = LearnPlacement::Method;

// What a learn run's driver meets: a loop, a servo whose shaft stands at the commanded angle plus a
// wavy error, TUNE's own search walked against the loop's SWR, and an S-meter reading band noise
// through the loop's resonance curve over the receiver's own noise. PEAK's search is not used here:
// a tune by noise ends where TUNE's does and reports the noise there.
class StandInDriver {
public:
    StandInDriver(const LoopModel& loop, double errorDegrees, double errorPeriod, Method method)
        : m_loop(loop)
        , m_method(method)
    {
        if (errorDegrees > 0)
            m_servo.setError(errorDegrees, errorPeriod);
    }

    double swr(int tenths, double kHz) const { return m_loop.swr(shaftDegrees(tenths), kHz * 1e3); }

    // Several readings averaged, as the driver takes them.
    double reading(int tenths, double kHz)
    {
        if (m_method == Method::Swr)
            return swr(tenths, kHz);
        const double response = m_loop.receiveResponse(shaftDegrees(tenths), kHz * 1e3);
        double sum = 0;
        for (int i = 0; i < NoiseReadings; ++i)
            sum += m_meter.read(response);
        return sum / NoiseReadings;
    }

    int tune(double kHz, std::optional<int> start) const
    {
        const int from = start.value_or(int(std::lround((m_loop.resonanceDegrees(kHz * 1e3) + 1.2) * 10)));
        SwrSearch search(from, 0, 1800);
        std::optional<SwrSearch::Move> move = search.start();
        for (int moves = 0; move && moves < 200; ++moves)
            move = search.next(move->measure ? std::optional(swr(move->tenths, kHz)) : std::nullopt);
        return search.bestTenths();
    }

    static constexpr int NoiseReadings = 4;

private:
    LoopModel m_loop;
    double shaftDegrees(int tenths) const { return tenths / 10.0 + m_servo.errorDegrees(tenths / 10.0); }

    ServoShaft m_servo{0, 0, 0};
    NoiseMeter m_meter{{.jitterDb = 0.7, .seed = 7}};
    Method m_method;
};

UsableMemory memory(int number, double kHz, double degrees)
{
    return {number, QStringLiteral("40"), QStringLiteral("SSB"), kHz, degrees};
}

constexpr qint64 HourMs = 3600 * 1000;

struct BandCase {
    Method method;
    double qualityFactor;
    double microhenries;
    double errorDegrees; // amplitude of the servo's wavy error
    double errorPeriod;  // degrees
    int fewestPoints;
    int mostPoints;
    double worstSwr;
};

} // namespace

class TestLearn : public QObject {
    Q_OBJECT
private slots:
    void placementLearnsTheBand_data()
    {
        QTest::addColumn<BandCase>("c");
        const auto row = [](const char* name, const BandCase& c) { QTest::newRow(name) << c; };
        const Method Swr = Method::Swr;
        const Method Noise = Method::Noise;
        row("SWR, Q 200, exact servo", {Swr, 200, 2.5, 0, 3, 2, 3, 1.5});
        row("SWR, Q 100, small coil, exact servo", {Swr, 100, 1.5, 0, 3, 2, 3, 1.5});
        row("SWR, Q 100, small coil, wavy 0.2/2.5", {Swr, 100, 1.5, 0.2, 2.5, 2, 3, 1.5});
        row("SWR, Q 200, wavy 0.2/3", {Swr, 200, 2.5, 0.2, 3, 4, 40, 1.5});
        row("SWR, Q 300, wavy 0.2/4", {Swr, 300, 2.5, 0.2, 4, 4, 40, 1.5});
        // One tenth beside the best angle is already over SWR 1.5 on so sharp a loop.
        row("SWR, Q 500, exact servo", {Swr, 500, 2.5, 0, 3, 2, 6, 1.7});
        row("SWR, Q 500, wavy 0.15/3", {Swr, 500, 2.5, 0.15, 3, 4, 40, 2.0});
        row("Noise, Q 200, exact servo", {Noise, 200, 2.5, 0, 3, 2, 3, 2.0});
        // The noise falls too little for the checks to see the wave, which leaves it under SWR 2.
        row("Noise, Q 200, wavy 0.2/3", {Noise, 200, 2.5, 0.2, 3, 2, 40, 2.0});
        row("Noise, Q 300, wavy 0.2/4", {Noise, 300, 2.5, 0.2, 4, 4, 40, 2.0});
        row("Noise, Q 100, small coil, wavy 0.2/2.5", {Noise, 100, 1.5, 0.2, 2.5, 2, 3, 2.0});
    }

    // Driven by its results alone, the placement tunes few points where the loop is regular, more where
    // the servo is not, and following between them stays under the SWR asked for.
    void placementLearnsTheBand()
    {
        QFETCH(BandCase, c);
        const auto [method, qualityFactor, microhenries, errorDegrees, errorPeriod, fewestPoints, mostPoints,
                    worstSwr] = c;
        LoopModel loop;
        loop.qualityFactor = qualityFactor;
        loop.inductanceHenries = microhenries * 1e-6;
        StandInDriver driver(loop, errorDegrees, errorPeriod, method);
        LearnPlacement placement({7000, 7200, method, 1.5});
        int steps = 0;
        for (LearnPlacement::Step step = placement.next(); step.kind != LearnPlacement::Step::Kind::Done;
             step = placement.next()) {
            QVERIFY(++steps < 200);
            QVERIFY2(step.kHz >= 7000 && step.kHz <= 7200, qPrintable(QString::number(step.kHz)));
            if (step.kind == LearnPlacement::Step::Kind::Tune) {
                const int tenths = driver.tune(step.kHz, step.predictedTenths);
                QVERIFY(!placement.takeChecked(1.0));
                QVERIFY(placement.takeTuned(tenths, driver.reading(tenths, step.kHz)));
            } else {
                QCOMPARE(step.predictedTenths, placement.table().lookup(step.kHz)->tenths);
                QVERIFY(!placement.takeTuned(0, 1.0));
                QVERIFY(placement.takeChecked(driver.reading(*step.predictedTenths, step.kHz)));
            }
            QVERIFY2(
                placement.pointsForeseen() > placement.pointsDone() ||
                    placement.next().kind == LearnPlacement::Step::Kind::Done,
                qPrintable(QStringLiteral("%1 of %2").arg(placement.pointsDone()).arg(placement.pointsForeseen())));
        }
        QCOMPARE(placement.pointsForeseen(), placement.pointsDone());

        const TuningTable table = placement.table();
        double worst = 0;
        double worstKHz = 0;
        for (int i = 0; i < 100; ++i) {
            const double kHz = 7000 + 200.0 * i / 99;
            const double swr = driver.swr(table.lookup(kHz)->tenths, kHz);
            if (swr > worst) {
                worst = swr;
                worstKHz = kHz;
            }
        }
        const QString figures = QStringLiteral("%1 points, %2 checks, worst SWR %3 at %4 kHz")
                                    .arg(placement.pointsDone())
                                    .arg(placement.checksDone())
                                    .arg(worst, 0, 'f', 2)
                                    .arg(worstKHz, 0, 'f', 1);
        qInfo("%s", qPrintable(figures));
        QVERIFY2(placement.pointsDone() >= fewestPoints && placement.pointsDone() <= mostPoints, qPrintable(figures));
        QVERIFY2(worst <= worstSwr, qPrintable(figures));
        QCOMPARE(placement.points().front().kHz, 7000.0);
        QCOMPARE(placement.points().back().kHz, 7200.0);
    }

    void offsetFollowsTheDrift_data()
    {
        QTest::addColumn<QList<int>>("findings"); // tenths off the memories, of runs an hour apart
        QTest::addColumn<double>("hoursAfter");   // from the last run to following
        QTest::addColumn<bool>("lastTaught");
        QTest::addColumn<int>("offsetTenths"); // following's offset then; 0 when none

        QTest::newRow("below the memories") << QList<int>{-7} << 1.0 << true << -7;
        QTest::newRow("the next run replaces it") << QList<int>{4, -2} << 1.0 << true << -2;
        QTest::newRow("on the memories clears it") << QList<int>{4, 0} << 1.0 << true << 0;
        QTest::newRow("a degree is taught") << QList<int>{10} << 1.0 << true << 10;
        QTest::newRow("over a degree is refused") << QList<int>{-11} << 1.0 << false << 0;
        QTest::newRow("refused, the earlier one holds") << QList<int>{5, 12} << 1.0 << false << 5;
        QTest::newRow("still in force at the drift time") << QList<int>{6} << 12.0 << true << 6;
        QTest::newRow("dropped once older") << QList<int>{6} << 12.01 << true << 0;
        QTest::newRow("dropped, however recent the refused one") << QList<int>{6, 15} << 11.5 << false << 0;
    }

    // One run anywhere on the band moves following's angle by its finding all over the band, until the
    // drift time has passed.
    void offsetFollowsTheDrift()
    {
        QFETCH(QList<int>, findings);
        QFETCH(double, hoursAfter);
        QFETCH(bool, lastTaught);
        QFETCH(int, offsetTenths);

        const TuningTable memories({memory(1, 7000, 89.7), memory(2, 7200, 84.4), memory(3, 14100, 40.2)});
        TuningOffsets offsets(12);
        const qint64 start = 1'800'000'000'000;
        qint64 now = start;
        TuningOffsets::Teaching teaching{};
        for (int finding : findings) {
            now += HourMs;
            teaching = offsets.teach("40", memories, 7130, memories.lookup(7130)->tenths + finding, now);
        }
        QCOMPARE(teaching == TuningOffsets::Teaching::Taught, lastTaught);
        const qint64 following = now + qint64(hoursAfter * HourMs);
        for (double kHz : {7000.0, 7061.5, 7200.0})
            QCOMPARE(offsets.followedTenths("40", memories, kHz, following),
                     memories.lookup(kHz)->tenths + offsetTenths);
        QCOMPARE(offsets.followedTenths("20", memories, 14100, following), 402);
        QCOMPARE(offsets.offset("40", following).has_value(), offsetTenths != 0 || findings.back() == 0);
        QCOMPARE(offsets.teach("80", TuningTable(), 3600, 500, following), TuningOffsets::Teaching::NoMemories);
    }
};

QTEST_GUILESS_MAIN(TestLearn)
#include "tst_learn.moc"
