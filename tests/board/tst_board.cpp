// The board firmware on the emulated Uno, spoken to through the emulator's pseudo-terminal the way
// the program does: one reply line per command, and the servo pulse widths the emulator measures.
#include "EmulatedBoard.h"

#include <QSerialPort>
#include <QTest>

namespace {

// The driver is trimmed to the microsecond; a little slack for interrupt jitter.
constexpr int Tolerance = 2;

// A fresh board, free-running, with the port open at the program's 9600 baud.
class Board {
public:
    bool start()
    {
        if (!m_emulator.start())
            return false;
        m_port.setPortName(m_emulator.devicePath());
        m_port.setBaudRate(9600);
        return m_port.open(QIODevice::ReadWrite);
    }

    void send(const QByteArray& line) { m_port.write(line + '\r'); }

    // The next reply line, or an empty string when none comes.
    QString reply()
    {
        (void)QTest::qWaitFor([this] { return m_port.canReadLine(); }, EmulatedBoard::WaitMs);
        return m_port.canReadLine() ? QString::fromLatin1(m_port.readLine()).trimmed() : QString();
    }

    QString command(const QByteArray& line)
    {
        send(line);
        return reply();
    }

    int width(int pin) const { return m_emulator.width(pin); }
    QList<int> widths(int pin) const { return m_emulator.widths(pin); }
    bool waitWidth(int pin, int microseconds) { return m_emulator.waitWidth(pin, microseconds, Tolerance); }

private:
    EmulatedBoard m_emulator;
    QSerialPort m_port; // closed before the emulator goes, being declared after it
};

} // namespace

class BoardTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Board> board;

private slots:
    void init()
    {
        board = std::make_unique<Board>();
        QVERIFY2(board->start(), "the emulated board did not come up on a pseudo-terminal");
        QVERIFY(board->reply().startsWith(QLatin1String("READY")));
    }
    void cleanup() { board.reset(); }

    void startsReadyAndHoldsStillUntilTold()
    {
        QVERIFY(board->command("A,90,").startsWith(QLatin1String("ERR no servo")));
        QVERIFY(board->command("IS,9,0,180,").startsWith(QLatin1String("OK IS pin 9")));
        // Attaching alone must not swing the antenna anywhere; many simulated frames pass here.
        QTest::qWait(300);
        QCOMPARE(board->width(9), -1);
        QVERIFY(board->command("A,90,").startsWith(QLatin1String("OK A 90")));
        QVERIFY(board->waitWidth(9, 1472));
    }

    void anglesGiveTheirPulseWidths()
    {
        QVERIFY(board->command("IS,9,0,180,").startsWith(QLatin1String("OK IS pin 9 limits 0-180")));
        // A tenth of a degree is a microsecond or so of pulse: the loop tunes that finely.
        const QList<std::pair<QByteArray, int>> steps = {{"0", 544},   {"90", 1472}, {"180", 2400},
                                                         {"91", 1482}, {"95", 1524}, {"95.5", 1529}};
        QHash<QByteArray, int> measured;
        for (const auto& [angle, microseconds] : steps) {
            const QString reply = board->command("A," + angle + ',');
            QVERIFY2(reply.startsWith(QStringLiteral("OK A %1 (%2 us)").arg(angle).arg(microseconds)),
                     qPrintable(reply));
            QVERIFY2(board->waitWidth(9, microseconds),
                     qPrintable(QStringLiteral("%1 degrees gave %2 us").arg(angle).arg(board->width(9))));
            measured[angle] = board->width(9);
        }
        const int halfDegree = measured["95.5"] - measured["95"];
        QVERIFY2(halfDegree >= 4 && halfDegree <= 6,
                 qPrintable(QStringLiteral("95 to 95.5 moved %1 us").arg(halfDegree)));
        QCOMPARE(board->width(10), -1);
    }

    void outOfRangeAnglesAreClampedAndSaid()
    {
        QVERIFY(board->command("IS,9,30,150,").startsWith(QLatin1String("OK IS pin 9 limits 30-150")));
        // Limits hold to the tenth.
        for (const auto& [asked, held, microseconds] :
             {std::tuple{"200", "150", 2091}, {"150.5", "150", 2091}, {"-5", "30", 853}}) {
            const QString reply = board->command(QByteArray("A,") + asked + ',');
            QVERIFY2(reply.startsWith(QStringLiteral("OK A %1 ").arg(held)) &&
                         reply.contains(QStringLiteral("clamped from %1").arg(asked)),
                     qPrintable(reply));
            QVERIFY(board->waitWidth(9, microseconds));
        }
        // Narrower limits on a re-attach pull the held angle inside them.
        QVERIFY(board->command("IS,9,40,150,").startsWith(QLatin1String("OK IS pin 9 limits 40-150 angle 40")));
        QVERIFY(board->waitWidth(9, 956));
    }

    // The held angle moves to the new pin, and re-attaching never cuts a pulse short.
    void reattachingMovesWholePulsesToTheNewPin()
    {
        QVERIFY(board->command("IS,9,0,180,").startsWith(QLatin1String("OK")));
        QVERIFY(board->command("A,180,").startsWith(QLatin1String("OK")));
        QVERIFY(board->waitWidth(9, 2400));
        // A stub of a pulse would send the servo toward an end stop. Commands land at arbitrary
        // points of the frame, so enough re-attaches hit a pulse in progress.
        for (int i = 0; i < 24; ++i)
            QVERIFY(board->command(i % 2 ? "IS,10,0,180," : "IS,9,0,180,").startsWith(QLatin1String("OK IS pin")));
        QVERIFY(board->waitWidth(10, 2400));
        QVERIFY2(board->waitWidth(9, 0), "pin 9 kept pulsing after the servo moved to pin 10");
        for (const int pin : {9, 10})
            for (const int width : board->widths(pin))
                QVERIFY2(width == 0 || std::abs(width - 2400) <= Tolerance,
                         qPrintable(QStringLiteral("pin %1 had %2 us").arg(pin).arg(width)));
        QVERIFY(board->command("A,0,").startsWith(QLatin1String("OK A 0")));
        QVERIFY(board->waitWidth(10, 544));
        QCOMPARE(board->width(9), 0);
    }

    void badLinesGetAnErrorAndChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown command") << QByteArray("MOVE,90,") << "ERR unknown command MOVE";
        QTest::newRow("no angle") << QByteArray("A,") << "ERR missing field";
        QTest::newRow("IS short of a limit") << QByteArray("IS,9,0,") << "ERR missing field";
        QTest::newRow("two decimals") << QByteArray("A,95.25,") << "ERR bad number";
        QTest::newRow("point without a decimal") << QByteArray("A,95.,") << "ERR bad number";
        QTest::newRow("extra field") << QByteArray("A,90,5,") << "ERR too many fields";
        QTest::newRow("serial pin") << QByteArray("IS,1,0,180,") << "ERR bad pin 1";
        QTest::newRow("limit over 180") << QByteArray("IS,9,0,200,") << "ERR bad limits";
        QTest::newRow("over-long line") << QByteArray("A,") + QByteArray(60, '9') + ',' << "ERR line too long";
    }

    void badLinesGetAnErrorAndChangeNothing()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, error);
        QVERIFY(board->command("IS,9,0,180,").startsWith(QLatin1String("OK")));
        QVERIFY(board->command("A,45,").startsWith(QLatin1String("OK")));
        QVERIFY(board->waitWidth(9, 1008));
        const QString reply = board->command(line);
        QVERIFY2(reply.startsWith(error), qPrintable(reply));
        QTest::qWait(100); // many simulated frames
        QCOMPARE(board->width(9), 1008);
        // Exactly one reply, and the line after it is read cleanly.
        const QString next = board->command("A,135,");
        QVERIFY2(next.startsWith(QLatin1String("OK A 135")), qPrintable(next));
        QVERIFY(board->waitWidth(9, 1936));
    }

    void lineFeedsBlankLinesAndLeadingZerosAreFine()
    {
        board->send("");
        board->send("\nIS,9,0,180,\n");
        QVERIFY(board->reply().startsWith(QLatin1String("OK IS pin 9")));
        QVERIFY(board->command("a, 090 ,\n").startsWith(QLatin1String("OK A 90")));
        QVERIFY(board->waitWidth(9, 1472));
    }
};

QTEST_GUILESS_MAIN(BoardTest)
#include "tst_board.moc"
