// Peaking the noise on receive: the search walked against the simulated station's loop, servo and
// S-meter, with the meter's jitter seeded so every row reads the same each time.
#include "LoopModel.h"
#include "NoiseMeter.h"
#include "PeakSearch.h"
#include "ServoShaft.h"

#include <QTest>

#include <cmath>

namespace {

struct CentreCase {
    double qualityFactor;
    double startOffset; // degrees from the dip
    double jitter;      // the meter's, dB
    double backlash;
    double bandNoise = -24;
    bool flatMeter = false;
    PeakSearch::Precision precision = PeakSearch::Precision::Fine;
    PeakSearch::Result result = PeakSearch::Result::Peaked;
};

} // namespace

class TestPeakSearch : public QObject {
    Q_OBJECT
private slots:
    void searchFindsTheCentre_data()
    {
        QTest::addColumn<CentreCase>("c");
        int row = 0;
        for (double q : {100.0, 200.0, 300.0, 500.0}) {
            for (double offset : {-2.0, -1.1, 0.7, 1.9}) {
                for (double jitter : {0.0, 0.7, 1.0}) {
                    // Gears with play on every other row: the readings and the final move come from below.
                    const double backlash = row++ % 2 ? 0.6 : 0.0;
                    QTest::addRow("Q %g, %+g degrees, jitter %g dB, play %g", q, offset, jitter, backlash)
                        << CentreCase{q, offset, jitter, backlash};
                }
            }
        }
        const auto coarse = PeakSearch::Precision::Coarse;
        const auto fine = PeakSearch::Precision::Fine;
        const auto flat = PeakSearch::Result::Flat;
        QTest::newRow("coarse, Q 200, 1.9 below") << CentreCase{200, -1.9, 0.7, 0.6, -24, false, coarse};
        QTest::newRow("coarse, Q 500, 1.9 above") << CentreCase{500, 1.9, 0.7, 0, -24, false, coarse};
        QTest::newRow("quiet band, S2") << CentreCase{200, 1.1, 0.7, 0, -42};
        QTest::newRow("flat meter") << CentreCase{200, 1.1, 0.7, 0, -24, true, fine, flat};
        QTest::newRow("flat meter without jitter") << CentreCase{200, 1.1, 0, 0, -24, true, fine, flat};
        QTest::newRow("above S9+20") << CentreCase{200, 1.1, 0.7, 0, 25, false, fine, PeakSearch::Result::TooStrong};
    }

    // Where the search leaves the shaft is the dip within a tenth of a degree, or where the station's
    // SWR is still low; a failure says which, and the search ends without wandering off.
    void searchFindsTheCentre()
    {
        QFETCH(CentreCase, c);
        const auto [qualityFactor, startOffset, jitter, backlash, bandNoise, flatMeter, precision, result] = c;
        LoopModel loop;
        loop.qualityFactor = qualityFactor;
        const double hertz = 7.05e6;
        const double dip = loop.resonanceDegrees(hertz);
        NoiseMeter meter({.bandNoiseDb = bandNoise,
                          .jitterDb = jitter,
                          .seed = unsigned(qHash(QByteArray(QTest::currentDataTag()))),
                          .flat = flatMeter});
        const int start = int(std::lround((dip + startOffset) * 10));
        ServoShaft shaft(start / 10.0, 0, backlash);
        double seconds = 0;
        PeakSearch search(start, 0, 1800, precision);
        std::optional<PeakSearch::Move> move = search.start();
        for (int moves = 0; move && moves < 200; ++moves) {
            QVERIFY2(move->tenths >= 0 && move->tenths <= 1800, qPrintable(QString::number(move->tenths)));
            shaft.command(move->tenths / 10.0, seconds += 0.1);
            std::vector<double> readings;
            for (int i = 0; i < move->readings; ++i)
                readings.push_back(meter.read(loop.receiveResponse(shaft.shaftDegrees(seconds += 0.05), hertz)));
            move = search.next(readings);
        }
        QVERIFY(search.finished());
        QCOMPARE(search.result(), result);
        QVERIFY2(search.readings() <= 120, qPrintable(QString::number(search.readings())));
        if (result != PeakSearch::Result::Peaked)
            return;
        const double shaftEnd = shaft.shaftDegrees(seconds);
        const double swr = loop.swr(shaftEnd, hertz);
        const QString where = QStringLiteral("%1 degrees, SWR %2, dip at %3").arg(shaftEnd).arg(swr).arg(dip);
        QCOMPARE(search.peakTenths() / 10.0, shaft.commandedDegrees());
        if (precision == PeakSearch::Precision::Fine)
            QVERIFY2(std::abs(shaftEnd - dip) <= 0.1 || swr <= 1.3, qPrintable(where));
        else
            QVERIFY2(swr <= 2, qPrintable(where)); // near enough for the SWR search's last tenths
        qDebug("%d readings, %d moves, %.3f degrees off", search.readings(), search.moves(), shaftEnd - dip);
    }
};

QTEST_GUILESS_MAIN(TestPeakSearch)
#include "tst_peaksearch.moc"
