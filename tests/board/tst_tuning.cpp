// Tuning by SWR on the simulated station and the emulated board: the run keys the radio at low power,
// walks the servo through the board to the dip the station's meter shows, and gives the radio back
// its mode and power, also when the daemon dies mid-run. PEAK walks there on receive, by the noise.
#include "BoardSession.h"
#include "EmulatedBoard.h"
#include "RigDaemon.h"
#include "RigLink.h"
#include "SimulatedStation.h"
#include "TuneRun.h"
#include "TuningTable.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTcpSocket>

#include <cmath>

namespace {

// The pulse the firmware puts out for an angle in tenths, as the emulator reports it.
int widthOf(int tenths)
{
    return int(std::lround(544 + tenths * 1856 / 1800.0));
}

// The radio as the station had it before the run, and as it must be after: USB, its normal passband,
// half power, not transmitting.
const QString RadioAtRest = QStringLiteral("USB 2400 0.500000 0");
const QStringList StationAtRest = {"--freq", "7050000", "--mode", "USB", "--power", "0.5"};

// The station and the board, the servo standing this far from the dip, and a run linked to both.
struct StationOnBoard {
    EmulatedBoard board;
    SimulatedStation station;
    QSerialPort port;
    RigLink link;
    BoardSession session;
    std::optional<TuneRun> run;
    int startTenths = 0;

    bool start(const QStringList& stationOptions, double degreesOffDip)
    {
        if (!board.start())
            return false;
        board.pulseLineTaker = [this](const QByteArray& line) { station.takePulseLine(line); };
        if (!station.start(StationAtRest + stationOptions))
            return false;
        port.setPortName(board.devicePath());
        port.setBaudRate(9600);
        if (!port.open(QIODevice::ReadWrite))
            return false;
        QObject::connect(&port, &QSerialPort::readyRead, &port, [this] { port.readAll(); });
        startTenths = int(std::lround((station.dip() + degreesOffDip) * 10));
        send(QStringLiteral("IS,9,0,180,"));
        send(QStringLiteral("A,%1,").arg(angleText(startTenths)));
        if (!board.waitWidth(9, widthOf(startTenths), 1))
            return false;
        link.start(QStringLiteral("127.0.0.1"), station.port(), 100);
        if (!QTest::qWaitFor([this] { return link.state() == RigLink::State::Connected; }, 5000))
            return false;
        session.setLinkOpen(true);
        session.setServoState(ServoState::On);
        run.emplace(link, session);
        QObject::connect(&*run, &TuneRun::moveRequested, &port,
                         [this](const QString& angle) { send("A," + angle + ','); });
        return true;
    }
    void send(const QString& line) { port.write((line + u'\r').toLatin1()); }
};

} // namespace

// Everything a peer answers to one line, taken as complete once it has been quiet for a moment: the
// plain form says nothing about how many lines an answer has.
QByteArray answer(QTcpSocket& socket, const QByteArray& line)
{
    socket.write(line + '\n');
    QByteArray reply;
    while (socket.waitForReadyRead(reply.endsWith('\n') ? 60 : 2000))
        reply += socket.readAll();
    return reply;
}

class TestTuning : public QObject {
    Q_OBJECT
private slots:
    // The station answers as Hamlib 4.5's rigctld with its dummy radio does, line for line, in the
    // plain and the extended form, errors included.
    void stationAnswersAsRigctldDoes()
    {
        START_RIGCTLD_OR_SKIP(rigctld, {QStringLiteral("-P"), QStringLiteral("RIG")});
        QTcpSocket hamlib;
        hamlib.connectToHost(QStringLiteral("127.0.0.1"), rigctld.port());
        QVERIFY(hamlib.waitForConnected(2000));
        SimulatedStation station;
        QVERIFY(station.start());
        QTcpSocket ours;
        ours.connectToHost(QStringLiteral("127.0.0.1"), station.port());
        QVERIFY(ours.waitForConnected(2000));

        // One row for each thing asked: frequency, mode, power, transmitting, SWR, errors, the rest.
        // clang-format off
        const QList<QByteArray> lines = {
            "F 7050000", "+\\get_freq", "f",
            "M USB 2400", "m", "+m", ";\\get_mode", "|m",
            "L RFPOWER 0.05", "l RFPOWER", "+l RFPOWER", "+\\set_level RFPOWER 0.5",
            "T 1", "t", "+t", "+\\set_ptt 0", "+\\get_ptt",
            "l SWR", "+l SWR", "L SWR 1", "+L SWR 1",
            "l FOO", "+\\get_level FOO", "T x", "F abc", "+\\set_freq abc",
            "v", "+v", "\\get_powerstat", "+\\get_powerstat"};
        // clang-format on
        for (const QByteArray& line : lines)
            QCOMPARE(line + " -> " + answer(ours, line), line + " -> " + answer(hamlib, line));
    }

    void tuneRun_data()
    {
        QTest::addColumn<bool>("stationKilled");
        QTest::addColumn<TuneRun::Outcome>("outcome");

        QTest::newRow("tuned") << false << TuneRun::Outcome::Tuned;
        QTest::newRow("station killed mid-run") << true << TuneRun::Outcome::LinkLost;
    }

    void tuneRun()
    {
        QFETCH(bool, stationKilled);
        QFETCH(TuneRun::Outcome, outcome);
        const int maxSeconds = 10;

        // Following has put the loop near the dip: 1.2 degrees above it.
        StationOnBoard setup;
        QVERIFY2(setup.start({}, 1.2), "the station and the board did not come up");
        auto& [board, station, port, link, session, optionalRun, start] = setup;
        TuneRun& run = *optionalRun;
        const double dip = station.dip();
        QSignalSpy finished(&run, &TuneRun::finished);
        TuneRun::Plan plan;
        plan.maxSeconds = maxSeconds;
        plan.settleMs = 50;
        run.start(plan, start);

        if (stationKilled) {
            // The daemon dies while the radio transmits, and the radio goes on transmitting until the
            // daemon is back and the program tells it to stop.
            QTRY_VERIFY(station.count("^SWR ") >= 2);
            station.kill();
            QTRY_COMPARE(finished.size(), 1);
            QVERIFY(run.isRestoreOwed());
            QVERIFY(station.start(StationAtRest + QStringList{"--mode", "FM", "--power", "0.05", "--ptt", "1"}));
            QTRY_VERIFY_WITH_TIMEOUT(!run.isRestoreOwed() && !run.isRunning(), 10000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(finished.size() == 1, maxSeconds * 1000 + 5000);
        QCOMPARE(finished.constFirst().constFirst().value<TuneRun::Outcome>(), outcome);
        QVERIFY(!run.isOnAir());
        QCOMPARE(station.radio(), RadioAtRest);

        // Never above the tune power, never longer than the limit.
        for (const auto& on : station.allLogged(QStringLiteral("^PTT on power=([0-9.]+)")))
            QVERIFY2(on.captured(1).toDouble() <= 0.05, qPrintable(on.captured(0)));
        for (const auto& power : station.allLogged(QStringLiteral("^POWER ([0-9.]+) ptt=1")))
            QVERIFY2(power.captured(1).toDouble() <= 0.05, qPrintable(power.captured(0)));
        const auto offs = station.allLogged(QStringLiteral("^PTT off on_air_s=([0-9.]+) max_power=([0-9.]+)"));
        QCOMPARE(offs.size(), 1);
        QVERIFY2(offs.constFirst().captured(1).toDouble() <= maxSeconds, qPrintable(offs.constFirst().captured(0)));
        QVERIFY2(offs.constFirst().captured(2).toDouble() <= 0.05, qPrintable(offs.constFirst().captured(0)));

        if (outcome != TuneRun::Outcome::Tuned) {
            QVERIFY(!run.tunedTenths());
            return;
        }
        QCOMPARE(station.count(QStringLiteral("^PTT on")), 1);
        // The last reading was taken where the servo stays: at the dip, with a low SWR.
        const auto last = station.logged(QStringLiteral("^SWR ([0-9.]+) shaft=([0-9.]+)"));
        QVERIFY(last);
        QVERIFY2(last->captured(1).toDouble() <= 1.3, qPrintable(last->captured(0)));
        QVERIFY2(std::abs(last->captured(2).toDouble() - dip) <= 0.15,
                 qPrintable(QStringLiteral("%1, dip at %2").arg(last->captured(0)).arg(dip)));
        QVERIFY(std::abs(board.width(9) - widthOf(*run.tunedTenths())) <= 1); // the emulator reports whole us
        QVERIFY(std::abs(*run.swr() - last->captured(1).toDouble()) < 0.001); // the log has three decimals
    }
};

QTEST_GUILESS_MAIN(TestTuning)
#include "tst_tuning.moc"
