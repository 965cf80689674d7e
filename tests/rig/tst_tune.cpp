// Tuning by SWR: the search walked against the simulated station's loop and servo.
#include "LoopModel.h"
#include "ServoShaft.h"
#include "SwrSearch.h"

#include <QTest>

#include <cmath>

namespace {

struct DipCase {
    double megahertz;
    double startOffset; // degrees from the dip
    double backlash;
    double qualityFactor;
    double highestAboveDip; // where the servo's upper limit lies; 0: at 180
    double meterCeiling;    // the highest SWR the radio's meter shows
    int mostReadings;
    SwrSearch::From from = SwrSearch::From::Anywhere;
};

} // namespace

class TestTune : public QObject {
    Q_OBJECT
private slots:
    void searchFindsTheDip_data()
    {
        QTest::addColumn<DipCase>("c");
        const auto row = [](const char* name, const DipCase& c) { QTest::newRow(name) << c; };
        row("40 m, 1.2 above", {7.05, 1.2, 0.0, 200.0, 0.0, 99.9, 12});
        row("40 m, 1.2 below", {7.05, -1.2, 0.0, 200.0, 0.0, 99.9, 12});
        row("40 m, 4 below", {7.05, -4.0, 0.0, 200.0, 0.0, 99.9, 18});
        row("30 m, 1.2 above, lossy loop", {10.12, 1.2, 0.0, 60.0, 0.0, 99.9, 12});
        row("20 m, 1.2 below, meter stops at 6", {14.2, -1.2, 0.0, 200.0, 0.0, 6.0, 16});
        row("40 m, 3 above, meter stops at 3", {7.05, 3.0, 0.0, 200.0, 0.0, 3.0, 20});
        row("40 m, 1.2 above, gears with play", {7.05, 1.2, 0.6, 200.0, 0.0, 99.9, 18});
        row("20 m, 1.2 above, gears with play", {14.2, 1.2, 0.4, 200.0, 0.0, 99.9, 16});
        // Where a peak of the noise on receive leaves the servo: a few tenths off, come from below.
        const auto near = SwrSearch::From::NearDip;
        row("near: 0.3 above, play", {7.05, 0.3, 0.6, 200.0, 0.0, 99.9, 3, near});
        row("near: 0.2 below, Q 500", {7.05, -0.2, 0.0, 500.0, 0.0, 99.9, 3, near});
        row("near: 0.7 below, outside the span", {7.05, -0.7, 0.6, 200.0, 0.0, 99.9, 18, near});
        row("near: meter stops at 1.5", {7.05, 0.3, 0.0, 200.0, 0.0, 1.5, 14, near});
        row("dip just under the upper limit", {7.05, -1.2, 0.0, 200.0, 0.2, 99.9, 12});
    }

    // The SWR where the search leaves the shaft is what it reports, and low; few readings get there.
    void searchFindsTheDip()
    {
        QFETCH(DipCase, c);
        const auto [megahertz, startOffset, backlash, qualityFactor, highestAboveDip, meterCeiling, mostReadings,
                    from] = c;
        LoopModel loop;
        loop.qualityFactor = qualityFactor;
        loop.highestSwr = meterCeiling;
        const double hertz = megahertz * 1e6;
        const double dip = loop.resonanceDegrees(hertz);
        const int start = int(std::lround((dip + startOffset) * 10));
        const int highest = highestAboveDip > 0 ? int(std::lround((dip + highestAboveDip) * 10)) : 1800;
        ServoShaft shaft(start / 10.0, 0, backlash);
        double seconds = 0;
        SwrSearch search(start, 0, highest, from);
        std::optional<SwrSearch::Move> move = search.start();
        for (int moves = 0; move && moves < 200; ++moves) {
            QVERIFY2(move->tenths >= 0 && move->tenths <= highest, qPrintable(QString::number(move->tenths)));
            shaft.command(move->tenths / 10.0, seconds += 0.1);
            const double swr = loop.swr(shaft.shaftDegrees(seconds += 0.1), hertz);
            move = search.next(move->measure ? std::optional(swr) : std::nullopt);
        }
        QVERIFY(search.finished());
        const double finalSwr = loop.swr(shaft.shaftDegrees(seconds), hertz);
        QCOMPARE(search.bestSwr(), finalSwr);
        QVERIFY2(finalSwr <= 1.3, qPrintable(QStringLiteral("SWR %1 at %2 degrees, dip at %3")
                                                 .arg(finalSwr)
                                                 .arg(shaft.shaftDegrees(seconds))
                                                 .arg(dip)));
        QVERIFY2(search.readings() <= mostReadings, qPrintable(QString::number(search.readings())));
        QCOMPARE(search.bestTenths() / 10.0, shaft.commandedDegrees());
    }
};

QTEST_GUILESS_MAIN(TestTune)
#include "tst_tune.moc"
