// A click in the program's window all the way to the servo pulse on the board's pin: the real main
// window, offscreen, connected to the emulated Uno running the firmware.
#include "EmulatedBoard.h"
#include "MainWindowRig.h"

#include <QLineEdit>

namespace {

// The window's own pulse arrives within a frame or two; the firmware maps degrees to the microsecond.
constexpr int Tolerance = 10;

struct ProgramOnBoard {
    EmulatedBoard board;
    std::unique_ptr<MainWindowRig> rig;

    bool start(const QByteArray& pin = "9")
    {
        if (!board.start())
            return false;
        rig = std::make_unique<MainWindowRig>();
        rig->directory.writeSettings(
            TestProgramDirectory::standardSettings(board.devicePath()).replace("PIN=9", "PIN=" + pin));
        if (!rig->start())
            return false;
        // The board announces itself once it has started; wait for it, as an operator would.
        return QTest::qWaitFor([this] { return reply().startsWith(u"READY"); }, EmulatedBoard::WaitMs);
    }

    QString reply() const { return rig->get<QLineEdit>("RISPOSTA")->text(); }

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
        QTRY_VERIFY_WITH_TIMEOUT(setup.reply().startsWith(u"OK IS pin 9"), EmulatedBoard::WaitMs);

        const QList<std::pair<QString, int>> moves = {{"0", 544}, {"180", 2400}, {"90", 1472}};
        for (const auto& [angle, microseconds] : moves) {
            setup.setAngle(angle);
            QVERIFY2(setup.board.waitWidth(9, microseconds, Tolerance),
                     qPrintable(QStringLiteral("%1 degrees gave %2 us").arg(angle).arg(setup.board.width(9))));
            QTRY_VERIFY_WITH_TIMEOUT(setup.reply().startsWith(QStringLiteral("OK A ") + angle), EmulatedBoard::WaitMs);
        }
        setup.rig->click("S_piu");
        QVERIFY2(setup.board.waitWidth(9, 1482, Tolerance), qPrintable(QString::number(setup.board.width(9))));
        QTRY_VERIFY_WITH_TIMEOUT(setup.reply().startsWith(u"OK A 91"), EmulatedBoard::WaitMs);
        QCOMPARE(setup.rig->get<QLineEdit>("COMANDO")->text(), QStringLiteral("A,91,"));
    }

    void theStoredPinIsTheOneThatMoves()
    {
        ProgramOnBoard setup;
        QVERIFY2(setup.start("10"), "the program did not come up on the emulated board");
        setup.rig->click("Command1");
        setup.setAngle(QStringLiteral("90"));
        QVERIFY(setup.board.waitWidth(10, 1472, Tolerance));
        QVERIFY(setup.board.width(9) <= 0);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
