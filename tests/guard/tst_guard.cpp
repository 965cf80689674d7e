// The guard that unkeys the radio when the program goes: on Hamlib's dummy radio, whose PTT reads
// back, through the program's own client; and the program's own window on the simulated station,
// killed while TUNE transmits.
#include "GuardClient.h"
#include "RigDaemon.h"
#include "SimulatedStation.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

namespace {

const QStringList DummyWithPtt{QStringLiteral("-P"), QStringLiteral("RIG")};
// What a run found the radio at, and what the guard gives back.
const guard::RadioSettings Before{"USB", 2400, 0.5, 7074000};
constexpr char SettingsBefore[] = "USB 2400 0.500000 7074000";
constexpr char SettingsOnTheAir[] = "FM 15000 0.050000 7100000";

// Mode, passband, power and frequency: "USB 2400 0.500000 7074000".
QByteArray settingsOf(RigDaemon& radio)
{
    return radio.ask("m", 2) + ' ' + radio.ask("l RFPOWER") + ' ' + radio.ask("f");
}

// How long it takes the radio to read unkeyed, polled on the test's own connection; -1: not in 3 s.
qint64 msUntilUnkeyed(RigDaemon& radio, const QElapsedTimer& since)
{
    if (!QTest::qWaitFor([&] { return radio.ask("t") == "0"; }, 3000))
        return -1;
    return since.elapsed();
}

} // namespace

class TestGuard : public QObject {
    Q_OBJECT
private slots:
    void theGuardUnkeysWhenItMust_data()
    {
        QTest::addColumn<bool>("toldOnAir");
        QTest::addColumn<bool>("toldOffAir");
        QTest::addColumn<int>("deadlineMs");
        QTest::addColumn<bool>("closed"); // the program's pipe closes
        QTest::addColumn<bool>("unkeys");
        QTest::newRow("pipe closed on the air") << true << false << 60000 << true << true;
        QTest::newRow("pipe closed off the air") << false << false << 60000 << true << false;
        QTest::newRow("pipe closed after the radio went off the air") << true << true << 60000 << true << false;
        QTest::newRow("deadline passes") << true << false << 1000 << false << true;
        QTest::newRow("deadline of a key-up that ended") << true << true << 300 << false << false;
    }
    void theGuardUnkeysWhenItMust()
    {
        QFETCH(bool, toldOnAir);
        QFETCH(bool, toldOffAir);
        QFETCH(int, deadlineMs);
        QFETCH(bool, closed);
        QFETCH(bool, unkeys);
        START_RIGCTLD_OR_SKIP(daemon, DummyWithPtt);
        GuardClient guard(QStringLiteral(VELTRANO_GUARD));
        guard.start(QStringLiteral("127.0.0.1"), daemon.port());
        QTRY_VERIFY_WITH_TIMEOUT(guard.isReady(), 5000);
        for (const QByteArray command : {"M FM 0", "L RFPOWER 0.05", "F 7100000", "T 1"}) // as a run keys it
            daemon.ask(command);
        QElapsedTimer since;
        since.start();
        if (toldOnAir)
            QVERIFY(guard.onAir(std::chrono::milliseconds(deadlineMs), Before));
        if (toldOffAir)
            guard.offAir();
        if (closed) {
            since.start();
            guard.stop();
        }
        if (!unkeys) {
            QTest::qWait(deadlineMs < 60000 ? deadlineMs + 700 : 700);
            QCOMPARE(daemon.ask("t"), QByteArray("1"));
            QCOMPARE(settingsOf(daemon), QByteArray(SettingsOnTheAir));
        } else {
            const qint64 unkeyedMs = msUntilUnkeyed(daemon, since);
            const qint64 allowedMs = closed ? 500 : deadlineMs + 500;
            QVERIFY2(unkeyedMs >= 0 && unkeyedMs <= allowedMs, qPrintable(QString::number(unkeyedMs)));
            // Qt's timers may fire a little early, never much.
            QVERIFY2(closed || unkeyedMs >= deadlineMs * 9 / 10, qPrintable(QString::number(unkeyedMs)));
            QTRY_COMPARE_WITH_TIMEOUT(settingsOf(daemon), QByteArray(SettingsBefore), 2000 - since.elapsed());
        }
        // A closed pipe ends the guard, and only that does.
        QTRY_COMPARE_WITH_TIMEOUT(guard.processRunning(), !closed, 3000);
    }

    // Keying is refused while the guard cannot act, with the reason the window shows; it comes back
    // by itself or on the next request.
    void keyingIsRefusedWhileTheGuardCannotAct_data()
    {
        QTest::addColumn<QString>("whatHappens");
        QTest::addColumn<QString>("reason");
        const QString notRunning =
            QStringLiteral("The guard that unkeys the radio if this program dies is not running.");
        const QString notConnected =
            QStringLiteral("The guard that unkeys the radio if this program dies is not connected to rigctld.");
        QTest::newRow("guard killed") << "kill guard" << notRunning;
        // The window does not ask while the guard is not ready: it must come back all the same.
        QTest::newRow("guard killed, nothing asked") << "kill guard, ask nothing" << notRunning;
        QTest::newRow("rigctld gone") << "kill rigctld" << notConnected;
        QTest::newRow("rigctld not there yet") << "no rigctld" << notConnected;
        QTest::newRow("guard missing") << "no guard" << notRunning;
    }
    void keyingIsRefusedWhileTheGuardCannotAct()
    {
        QFETCH(QString, whatHappens);
        QFETCH(QString, reason);
        if (!RigDaemon::installed())
            QSKIP("rigctld is not installed (Debian package libhamlib-utils)");
        RigDaemon daemon;
        if (whatHappens != u"no rigctld")
            QVERIFY(daemon.start(DummyWithPtt));
        GuardClient guard(whatHappens == u"no guard" ? QStringLiteral("/nonexistent/veltrano-guard")
                                                     : QStringLiteral(VELTRANO_GUARD));
        QSignalSpy readiness(&guard, &GuardClient::readinessChanged);
        guard.start(QStringLiteral("127.0.0.1"), daemon.port());
        const bool killGuard = whatHappens.startsWith(u"kill guard");
        if (killGuard || whatHappens == u"kill rigctld") {
            QTRY_VERIFY_WITH_TIMEOUT(guard.isReady(), 5000);
            if (killGuard)
                ::kill(pid_t(guard.processId()), SIGKILL);
            else
                daemon.kill();
            QTRY_VERIFY_WITH_TIMEOUT(!guard.isReady(), 5000);
            QCOMPARE(readiness.last().first().toBool(), false);
        } else {
            QTest::qWait(1000);
        }
        QCOMPARE(guard.isReady(), false);
        QCOMPARE(guard.notReadyReason(), reason);
        if (whatHappens != u"kill guard, ask nothing")
            QVERIFY(!guard.onAir(std::chrono::seconds(10), Before));
        if (whatHappens == u"no guard")
            return;
        if (!killGuard)
            QVERIFY(daemon.start(DummyWithPtt));
        QTRY_VERIFY_WITH_TIMEOUT(guard.isReady(), 5000);
        QCOMPARE(guard.notReadyReason(), QString());
        QVERIFY(guard.onAir(std::chrono::seconds(10), Before));
    }

    // The program itself, TUNE pressed in its rig window on the simulated station, whatever becomes of
    // it while the radio transmits; and a program without its guard, which does not key at all.
    void theProgramNeverLeavesTheRadioTransmitting_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("killed on the air") << "kill";
        QTest::newRow("stopped on the air, then killed") << "stop";
        QTest::newRow("the run ends, then the program") << "done";
        QTest::newRow("no guard: not keyed") << "no guard";
    }
    void theProgramNeverLeavesTheRadioTransmitting()
    {
        QFETCH(QString, ending);
        SimulatedStation station;
        QVERIFY(station.start(StationOptionsAtRest));
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VELTRANO_GUARD"), ending == u"no guard"
                                                                 ? QStringLiteral("/nonexistent/veltrano-guard")
                                                                 : QStringLiteral(VELTRANO_GUARD));
        program.setProcessEnvironment(environment);
        const bool done = ending == u"done";
        program.start(QStringLiteral(TUNING_PROGRAM),
                      {QString::number(station.port()), done ? QStringLiteral("2") : QStringLiteral("60"),
                       done ? QStringLiteral("--until-done") : QString()});
        QVERIFY(QTest::qWaitFor([&] { return program.canReadLine(); }, 20000));
        const QByteArray said = program.readLine().trimmed();
        if (ending == u"no guard") {
            QVERIFY2(said.startsWith("REFUSED ") && said.contains("guard") && said.contains("not running"),
                     said.constData());
            QVERIFY(QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, 5000));
            QCOMPARE(station.count(QStringLiteral("^PTT on")), 0);
            return;
        }
        QCOMPARE(said, QByteArray("TUNE"));
        QVERIFY(QTest::qWaitFor([&] { return station.count(QStringLiteral("^PTT on")) == 1; }, 10000));
        QElapsedTimer since;
        if (done) {
            QVERIFY(QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, 15000));
            QCOMPARE(program.exitCode(), 0);
            QVERIFY2(program.readAll().contains("DONE Stopped: the most time on the air"), said.constData());
            since.start();
        } else {
            QTest::qWait(1000);
            if (ending == u"stop") {
                ::kill(pid_t(program.processId()), SIGSTOP);
                QTest::qWait(500);
                QCOMPARE(station.count(QStringLiteral("^PTT off")), 0);
            }
            since.start();
            program.kill();
            QVERIFY(QTest::qWaitFor([&] { return station.count(QStringLiteral("^PTT off")) == 1; }, 3000));
            QVERIFY2(since.elapsed() <= 500, qPrintable(QString::number(since.elapsed())));
            QTRY_COMPARE_WITH_TIMEOUT(station.radio(), RadioAtRest, 2000 - since.elapsed());
        }
        QCOMPARE(station.radio(), RadioAtRest);
    }
};

QTEST_GUILESS_MAIN(TestGuard)
#include "tst_guard.moc"
