// A band learned on the simulated station through the emulated board, by SWR and by the noise.
#include "FakePlatform.h"
#include "LearnRun.h"
#include "LoopModel.h"
#include "RigFollower.h"
#include "ServoShaft.h"
#include "StationOnBoard.h"

#include <QSignalSpy>
#include <QTemporaryDir>

class TestTuning : public QObject {
    Q_OBJECT
private slots:
    void learnBandThenFollow_data()
    {
        QTest::addColumn<LearnPlacement::Method>("method");
        QTest::addColumn<double>("worstSwr");

        QTest::newRow("by SWR") << LearnPlacement::Method::Swr << 1.5;
        QTest::newRow("by noise") << LearnPlacement::Method::Noise << 2.0;
    }

    // 40 m learned with a servo whose shaft stands off the commanded angle by a wave: afterwards,
    // following alone keeps the station's loop under the SWR asked for across the range, and the radio
    // is back on its frequency, mode and power.
    void learnBandThenFollow()
    {
        QFETCH(LearnPlacement::Method, method);
        QFETCH(double, worstSwr);
        const double errorDegrees = 0.2;
        const double errorPeriod = 3;

        StationOnBoard setup;
        QVERIFY2(setup.start({"--servo-error", QString::number(errorDegrees), "--servo-error-period",
                              QString::number(errorPeriod)},
                             1.2),
                 "the station and the board did not come up");
        LearnRun learn(setup.link, *setup.run);
        QSignalSpy finished(&learn, &LearnRun::finished);
        LearnRun::Plan plan;
        plan.placement = {7000, 7200, method, 1.5};
        plan.tune.settleMs = 50;
        plan.tune.peakSettleMs = 100;
        plan.band = QStringLiteral("40");
        learn.start(plan, setup.startTenths);
        QTRY_VERIFY_WITH_TIMEOUT(finished.size() == 1, 240000);
        QVERIFY2(learn.outcome() == LearnRun::Outcome::Completed, qPrintable(learn.outcomeText()));
        QTRY_VERIFY(!learn.isRunning());
        QCOMPARE(setup.station.radio(), RadioAtRest);
        QCOMPARE(setup.station.logged(QStringLiteral("^FREQ (\\d+)"))->captured(1), QStringLiteral("7050000"));
        if (method == LearnPlacement::Method::Noise)
            QCOMPARE(setup.station.count(QStringLiteral("^PTT on")), 0);

        QTemporaryDir directory;
        const QString memoryFile = directory.filePath(QStringLiteral("VELTRANO.MDB"));
        FakePlatform platform;
        QVERIFY(storeLearnedPoints(learn, memoryFile, QDate::currentDate(), platform, nullptr));
        RigFollower follower(setup.session);
        follower.setMemoryFile(memoryFile);
        follower.setFollowing(true);
        ServoShaft servo(0, 0, 0);
        servo.setError(errorDegrees, errorPeriod);
        for (int step = 0; step < 25; ++step) {
            const double hertz = 7000e3 + step * 200e3 / 24;
            follower.setFrequency(qint64(hertz));
            QVERIFY(follower.tuning());
            const double commanded = follower.tuning()->tenths / 10.0;
            const double swr = LoopModel().swr(commanded + servo.errorDegrees(commanded), hertz);
            QVERIFY2(swr <= worstSwr, qPrintable(QStringLiteral("SWR %1 at %2 kHz").arg(swr).arg(hertz / 1e3)));
        }
    }
};

QTEST_GUILESS_MAIN(TestTuning)
#include "tst_tuning.moc"
