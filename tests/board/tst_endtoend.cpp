// A click in the program's window all the way to the servo pulse on the board's pin: the real main
// window, offscreen, connected to the emulated Uno running the firmware.
#include "EmulatedBoard.h"
#include "Indicators.h"
#include "MainWindowRig.h"
#include "MemoryStore.h"
#include "SimulatedStation.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

namespace {

// The window's own pulse arrives within a frame or two; the firmware maps degrees to the microsecond.
constexpr int Tolerance = 10;

struct ProgramOnBoard {
    SimulatedStation station; // for the tests that follow a radio, started by them
    EmulatedBoard board;
    std::unique_ptr<MainWindowRig> rig;
    // Stored in the program's memory file before it starts.
    QList<TypedMemory> memories;
    // Everything the reply field has shown, in order: a reply may come in several pieces, and the
    // field shows each piece in turn.
    QString transcript;

    // With rigKeys, the program follows the started station, its [rig] section holding those keys too.
    bool start(const QByteArray& rigKeys = {})
    {
        QByteArray settings;
        if (!rigKeys.isEmpty()) {
            board.pulseLineTaker = [this](const QByteArray& line) { station.takePulseLine(line); };
            settings = "[rig]\r\nPORT=" + QByteArray::number(station.port()) + "\r\nFOLLOW=1\r\n" + rigKeys;
        }
        if (!board.start())
            return false;
        rig = std::make_unique<MainWindowRig>();
        rig->directory.writeSettings(TestProgramDirectory::standardSettings(board.devicePath()) + settings);
        MemoryStore store;
        if (!memories.isEmpty() &&
            !store.open(QDir(rig->directory.path()).filePath(QStringLiteral("DATABASE/VELTRANO.MDB"))))
            return false;
        for (const TypedMemory& memory : memories) {
            if (!store.add(memory))
                return false;
        }
        store.release();
        QObject::connect(rig->get<QLineEdit>("RISPOSTA"), &QLineEdit::textChanged, rig->window.get(),
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

    // "RIG Setting" from the Setting menu, and "TUNE" there once it may start; the rig window, or
    // nothing when TUNE stayed disabled.
    QWidget* pressTune() const
    {
        rig->get<QAction>("setta_RIG")->trigger();
        QWidget* window = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            window = top->objectName() == u"RigWindow" ? top : window;
        auto* tune = window ? widget<QPushButton>(*window, "tuneButton") : nullptr;
        if (!tune || !QTest::qWaitFor([tune] { return tune->isEnabled(); }, EmulatedBoard::WaitMs))
            return nullptr;
        tune->click();
        return window;
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
    void clicksMoveTheServo()
    {
        ProgramOnBoard setup;
        QVERIFY2(setup.start(), "the program did not come up on the emulated board");
        setup.rig->click("Command1");
        QVERIFY(setup.shown(QStringLiteral("OK IS pin 9 limits 0-180")));

        // One angle is enough here: the widths for the whole range are test_board's.
        setup.setAngle(QStringLiteral("90"));
        QVERIFY2(setup.board.waitWidth(9, 1472, Tolerance), qPrintable(QString::number(setup.board.width(9))));
        QVERIFY(setup.shown(QStringLiteral("OK A 90 (1472 us)")));
        setup.rig->click("S_piu");
        QVERIFY2(setup.board.waitWidth(9, 1482, Tolerance), qPrintable(QString::number(setup.board.width(9))));
        QVERIFY(setup.shown(QStringLiteral("OK A 91 (1482 us)")));
        QCOMPARE(setup.rig->get<QLineEdit>("COMANDO")->text(), QStringLiteral("A,91,"));
    }

    void tuneBySwrFromTheRigWindow_data()
    {
        // M stands for the memories' angle, 1.2 degrees above the dip, and T for the tuned angle.
        QTest::addColumn<QString>("firstMemoryKHz");
        QTest::addColumn<QString>("otherMemoryAngle"); // of the memory at 7100 kHz
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("memory at 7050 kHz: MOD") << "7050"
                                                 << "100"
                                                 << "EDIT MEMORY" << QStringList{"40 SSB 7050=T", "40 SSB 7100=100"};
        QTest::newRow("memories around it: NEW")
            << "7000"
            << "M"
            << "CREATE A NEW MEMORY" << QStringList{"40 SSB 7000=M", "40 SSB 7050=T", "40 SSB 7100=M"};
    }

    // Memories 1.2 degrees off the dip, the radio on 7050 kHz in USB at half power: TUNE in the rig
    // window keys once at the tune power, ends at the dip, the radio is given back, and Store puts the
    // angle into the memory at 7050 kHz. Following leaves the tuned angle until the radio moves.
    void tuneBySwrFromTheRigWindow()
    {
        QFETCH(QString, firstMemoryKHz);
        QFETCH(QString, otherMemoryAngle);
        QFETCH(QString, question);
        QFETCH(QStringList, stored);
        ProgramOnBoard setup;
        SimulatedStation& station = setup.station;
        QVERIFY(station.start(StationOptionsAtRest));
        const double dip = station.dip();
        const QString memoryAngle = QString::number(std::lround((dip + 1.2) * 10) / 10.0, 'f', 1);
        otherMemoryAngle.replace(u'M', memoryAngle);
        setup.memories = {{"40", "SSB", firstMemoryKHz, memoryAngle, QString(), true},
                          {"40", "SSB", "7100", otherMemoryAngle, QString(), true}};
        QVERIFY2(setup.start("POLL_MS=50\r\nTUNE_TX=1\r\nTUNE_SETTLE_MS=50\r\n"),
                 "the program did not come up on the emulated board");
        setup.rig->click("Command1");
        QTRY_COMPARE(setup.rig->get<QLineEdit>("COMANDO")->text(), "A," + memoryAngle + ',');
        QCOMPARE(indicatorColour(setup.rig->get<QWidget>("Shape_RIG")), IndicatorColour::Green);

        QWidget* window = setup.pressTune();
        QVERIFY(window);
        auto* tune = widget<QPushButton>(*window, "tuneButton");
        QCOMPARE(tune->text(), QStringLiteral("S&TOP TUNE"));
        QTRY_VERIFY_WITH_TIMEOUT(tune->text() == u"&TUNE", 15000);
        const QString status = widget<QLabel>(*window, "tuneStatusLabel")->text();
        QVERIFY2(status.startsWith(QLatin1String("Tuned:")), qPrintable(status));
        const auto keyed = station.allLogged(QStringLiteral("^PTT on power=([0-9.]+)"));
        QVERIFY(keyed.size() == 1 && keyed.constFirst().captured(1).toDouble() <= 0.05);
        const auto last = station.logged(QStringLiteral("^SWR ([0-9.]+) shaft=([0-9.]+)"));
        QVERIFY(last && last->captured(1).toDouble() <= 1.3 && std::abs(last->captured(2).toDouble() - dip) <= 0.15);

        QCOMPARE(station.radio(), RadioAtRest);
        const QString tuned = widget<QLineEdit>(*window, "tuneAngleField")->text();
        QCOMPARE(setup.rig->get<QLineEdit>("COMANDO")->text(), "A," + tuned + ',');
        QTest::qWait(300);
        QCOMPARE(setup.rig->get<QLineEdit>("COMANDO")->text(), "A," + tuned + ',');

        // Store: the tuned angle into the memory at 7050 kHz, after the usual question.
        widget<QPushButton>(*window, "storeButton")->click();
        QVERIFY(!setup.rig->platform.messages.isEmpty());
        QCOMPARE(setup.rig->platform.messages.constFirst().title, question);
        const auto memories = MemoryStore::readWithAngles(
            QDir(setup.rig->directory.path()).filePath(QStringLiteral("DATABASE/VELTRANO.MDB")));
        QVERIFY(memories);
        QStringList found;
        for (const StoredMemory& memory : *memories)
            found << QStringLiteral("%1 %2 %3=%4")
                         .arg(memory.band, memory.mode, memory.frequency, QString::number(memory.degrees));
        found.sort();
        stored.replaceInStrings(QStringLiteral("=M"), u'=' + memoryAngle)
            .replaceInStrings(QStringLiteral("=T"), u'=' + tuned);
        QCOMPARE(found, stored);

        // The radio moves: following takes over again.
        QVERIFY(station.setFrequency(7100000));
        QTRY_COMPARE(setup.rig->get<QLineEdit>("COMANDO")->text(), "A," + otherMemoryAngle + ',');
    }

    // The radio transmits for a tune run when the program goes: it is unkeyed and given back its mode
    // and power on the way out, with no event loop left to send them later.
    void leavingTheProgramMidRunUnkeysTheRadio()
    {
        ProgramOnBoard setup;
        QVERIFY(setup.station.start(StationOptionsAtRest));
        QVERIFY2(setup.start("TUNE_TX=1\r\nTUNE_SETTLE_MS=1000\r\n"),
                 "the program did not come up on the emulated board");
        setup.rig->click("Command1");
        setup.setAngle(QStringLiteral("90"));
        QVERIFY(setup.pressTune());
        QTRY_VERIFY(setup.station.logged(QStringLiteral("^PTT on")).has_value());

        setup.rig.reset();
        QTRY_COMPARE(setup.station.radio(), RadioAtRest);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
