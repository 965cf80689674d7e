// A click in the program's window all the way to the servo pulse on the board's pin: the real main
// window, offscreen, connected to the emulated Uno running the firmware.
#include "EmulatedBoard.h"
#include "Indicators.h"
#include "MainWindowRig.h"
#include "MemoryStore.h"
#include "RigDaemon.h"
#include "Ser2Net.h"

#include <QDir>
#include <QLineEdit>

namespace {

// The window's own pulse arrives within a frame or two; the firmware maps degrees to the microsecond.
constexpr int Tolerance = 10;

struct ProgramOnBoard {
    EmulatedBoard board;
    std::unique_ptr<Ser2Net> network; // between the program and the board, when there is one
    std::unique_ptr<MainWindowRig> rig;
    // Stored in the program's memory file and added to its settings before it starts.
    QList<TypedMemory> memories;
    QByteArray moreSettings;
    // Everything the reply field has shown, in order: a reply may come in several pieces, and the
    // field shows each piece in turn.
    QString transcript;

    bool start(bool throughSer2net = false)
    {
        if (!board.start())
            return false;
        QString port = board.devicePath();
        if (throughSer2net) {
            network = std::make_unique<Ser2Net>(port, Ser2Net::Protocol::Rfc2217);
            if (!network->start())
                return false;
            port = network->url();
        }
        rig = std::make_unique<MainWindowRig>();
        rig->directory.writeSettings(TestProgramDirectory::standardSettings(port) + moreSettings);
        MemoryStore store;
        if (!memories.isEmpty() &&
            !store.open(QDir(rig->directory.path()).filePath(QStringLiteral("DATABASE/VELTRANO.MDB"))))
            return false;
        for (const TypedMemory& memory : memories) {
            if (!store.add(memory))
                return false;
        }
        store.release();
        QObject::connect(rig->get<QLineEdit>("RISPOSTA"), &QLineEdit::textChanged,
                         [this](const QString& text) { transcript += text; });
        if (!rig->start())
            return false;
        // The board announces itself once it has started; wait for it, as an operator would.
        return shown(QStringLiteral("READY"));
    }

    bool shown(const QString& reply) const
    {
        return QTest::qWaitFor([&] { return transcript.contains(reply); }, EmulatedBoard::WaitMs);
    }

    void setAngle(const QString& angle)
    {
        rig->get<QLineEdit>("ANGLE")->setText(angle);
        rig->click("SETTA_ANGOLO");
    }
};

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void clicksMoveTheServo_data()
    {
        QTest::addColumn<bool>("throughSer2net");
        QTest::newRow("serial port") << false;
        // The board by the loop, its line served on the network by ser2net.
        QTest::newRow("ser2net, RFC 2217") << true;
    }
    void clicksMoveTheServo()
    {
        QFETCH(bool, throughSer2net);
        ProgramOnBoard setup;
        QVERIFY2(setup.start(throughSer2net), "the program did not come up on the emulated board");
        setup.rig->click("Command1");
        QVERIFY(setup.shown(QStringLiteral("OK IS pin 9 limits 0-180")));

        const QList<std::pair<QString, int>> moves = {{"0", 544}, {"180", 2400}, {"90", 1472}};
        for (const auto& [angle, microseconds] : moves) {
            setup.setAngle(angle);
            QVERIFY2(setup.board.waitWidth(9, microseconds, Tolerance),
                     qPrintable(QStringLiteral("%1 degrees gave %2 us").arg(angle).arg(setup.board.width(9))));
            QVERIFY(setup.shown(QStringLiteral("OK A %1 (%2 us)").arg(angle).arg(microseconds)));
        }
        setup.rig->click("S_piu");
        QVERIFY2(setup.board.waitWidth(9, 1482, Tolerance), qPrintable(QString::number(setup.board.width(9))));
        QVERIFY(setup.shown(QStringLiteral("OK A 91 (1482 us)")));
        QCOMPARE(setup.rig->get<QLineEdit>("COMANDO")->text(), QStringLiteral("A,91,"));
    }

    void theServoFollowsTheRadio()
    {
        if (!RigDaemon::installed())
            QSKIP("rigctld is not installed (Debian package libhamlib-utils)");
        RigDaemon daemon;
        QVERIFY(daemon.start());
        ProgramOnBoard setup;
        setup.memories = {{QStringLiteral("40"), QStringLiteral("FT8"), QStringLiteral("7000"), QStringLiteral("45"),
                           QString(), true},
                          {QStringLiteral("40"), QStringLiteral("SSB"), QStringLiteral("7200"), QStringLiteral("135"),
                           QString(), true}};
        setup.moreSettings = "[rig]\r\nPORT=" + QByteArray::number(daemon.port()) + "\r\nFOLLOW=1\r\nPOLL_MS=50\r\n";
        QVERIFY2(setup.start(), "the program did not come up on the emulated board");

        // The dummy radio starts on 145 MHz, above every memory: the highest memory's angle, once the
        // servo is on.
        setup.rig->click("Command1");
        QVERIFY(setup.board.waitWidth(9, 1936, Tolerance));
        const QList<std::pair<qint64, int>> moves = {
            {7000000, 1008}, // at a memory: 45 degrees
            {7099000, 1477}, // between them, linear in 1/f^2: 90.5 degrees (linear in f would be 89.6)
        };
        for (const auto& [hertz, microseconds] : moves) {
            QVERIFY(daemon.setFrequency(hertz));
            QVERIFY2(setup.board.waitWidth(9, microseconds, Tolerance),
                     qPrintable(QStringLiteral("%1 Hz gave %2 us").arg(hertz).arg(setup.board.width(9))));
        }
        QCOMPARE(setup.rig->get<QLineEdit>("COMANDO")->text(), QStringLiteral("A,90.5,"));
        QCOMPARE(setup.rig->get<QLineEdit>("ANGLE")->text(), QStringLiteral("90.5"));
        auto* indicator = setup.rig->get<QWidget>("Shape_RIG");
        QVERIFY(indicator->isVisible());
        QCOMPARE(indicatorColour(indicator), colourFromValue(ColourValues().green));

        // Servo off: the radio moves, the loop does not. On again: it catches up.
        setup.rig->click("Command1");
        QTRY_COMPARE(indicatorColour(indicator), colourFromValue(ColourValues().orange));
        QVERIFY(daemon.setFrequency(7200000));
        QTest::qWait(400);
        QCOMPARE(setup.board.width(9), 1477);
        setup.rig->click("Command1");
        QVERIFY(setup.board.waitWidth(9, 1936, Tolerance));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
