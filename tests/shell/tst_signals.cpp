// The program asked to end from outside while the radio transmits for a tune run: a real process,
// its board a pseudo-terminal, its radio the simulated station, sent SIGTERM, SIGINT or SIGHUP.
#include "PtyPair.h"
#include "SimulatedStation.h"
#include "Startup.h"
#include "TestProgramDirectory.h"
#include "Widgets.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include <csignal>
#include <cstring>

namespace {

// Given as the first argument, this executable runs as the program and starts a tune run.
constexpr char RunAsProgram[] = "--run-as-program";

// What the operator does: servo on, an angle, "TUNE" in the rig window once it may start.
void startTuneRun()
{
    QWidget* main = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        main = top->objectName() == u"VELTRANO" ? top : main;
    if (!main)
        qFatal("no main window");
    widget<QPushButton>(*main, "Command1")->click();
    widget<QLineEdit>(*main, "ANGLE")->setText(QStringLiteral("90"));
    widget<QPushButton>(*main, "SETTA_ANGOLO")->click();
    widget<QAction>(*main, "setta_RIG")->trigger();
    auto* tune = widget<QPushButton>(*main, "tuneButton");
    if (!QTest::qWaitFor([tune] { return tune->isEnabled(); }, 30000))
        qFatal("TUNE stayed disabled");
    tune->click();
}

} // namespace

class TestSignals : public QObject {
    Q_OBJECT
private slots:
    void endingSignalUnkeysTheRadioBeforeTheServoLine_data()
    {
        QTest::addColumn<int>("signal");
        for (int signal : {SIGTERM, SIGINT, SIGHUP})
            QTest::newRow(qPrintable(QStringLiteral("SIG") + QString::fromLatin1(sigabbrev_np(signal)))) << signal;
    }

    void endingSignalUnkeysTheRadioBeforeTheServoLine()
    {
        QFETCH(int, signal);
        SimulatedStation station;
        QVERIFY(station.start(StationOptionsAtRest));
        PtyPair board;
        TestProgramDirectory directory(TestProgramDirectory::standardSettings(board.devicePath()) +
                                       "[rig]\r\nPORT=" + QByteArray::number(station.port()) +
                                       "\r\nFOLLOW=1\r\nTUNE_TX=1\r\nTUNE_SETTLE_MS=1000\r\n");
        const QString program = QDir(directory.path()).filePath(QStringLiteral("veltrano"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
        QProcess veltrano;
        veltrano.setProcessChannelMode(QProcess::ForwardedChannels);
        veltrano.start(program, {RunAsProgram});
        QVERIFY(QTest::qWaitFor([&] { return station.logged(QStringLiteral("^PTT on")).has_value(); }, 60000));
        board.drain();
        // On the air for a second at each reading: it is the signal that unkeys the radio.
        QVERIFY(!station.logged(QStringLiteral("^PTT off")));

        ::kill(pid_t(veltrano.processId()), signal);
        // The servo's attach line follows a one-second pause: the radio is unkeyed before it.
        QByteArray toBoard;
        QVERIFY(QTest::qWaitFor(
            [&] {
                toBoard += board.drain(std::chrono::milliseconds(0));
                return station.logged(QStringLiteral("^PTT off")).has_value();
            },
            5000));
        QVERIFY2(!toBoard.contains("IS,"), toBoard.constData());
        QVERIFY(veltrano.waitForFinished(10000) && veltrano.exitStatus() == QProcess::NormalExit &&
                veltrano.exitCode() == 0);
        QVERIFY2((toBoard + board.drain()).contains("IS,9,0,180,\r"), toBoard.constData());
        QCOMPARE(station.radio(), QStringLiteral("USB 2400 0.500000 0"));
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], RunAsProgram) == 0)
        return runVeltrano(app, startTuneRun);
    TestSignals test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_signals.moc"
