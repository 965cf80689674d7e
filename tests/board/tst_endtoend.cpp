// A click in the program's window all the way to the servo pulse on the board's pin: the real main
// window, offscreen, connected to the emulated Uno running the firmware.
#include "EmulatedBoard.h"
#include "MainWindowRig.h"
#include "Ser2Net.h"

#include <QLineEdit>

namespace {

// The window's own pulse arrives within a frame or two; the firmware maps degrees to the microsecond.
constexpr int Tolerance = 10;

struct ProgramOnBoard {
    EmulatedBoard board;
    std::unique_ptr<Ser2Net> network; // between the program and the board, when there is one
    std::unique_ptr<MainWindowRig> rig;
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
        rig->directory.writeSettings(TestProgramDirectory::standardSettings(port));
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
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
