// Click to wire and reply to screen: how long the program takes between a click and the command's
// bytes being readable at the board's end of the line, and between the board's bytes and the reply
// field showing them. The reference is a bare serial port write of the same line. Beside the serial
// port, the same click through raw TCP on the loopback to ser2net, which puts it on a line of its own.
#include "Figures.h"
#include "MainWindowRig.h"
#include "Ser2Net.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSerialPort>

#include <functional>

#include <poll.h>
#include <unistd.h>

namespace {

constexpr int Samples = 1000;

// Waits without the event loop, as the board would, for the line to be readable at the board's end.
bool waitReadable(int boardFd, qsizetype bytes)
{
    qsizetype received = 0;
    char buffer[256];
    while (received < bytes) {
        pollfd watch{boardFd, POLLIN, 0};
        if (poll(&watch, 1, 1000) <= 0)
            return false;
        const ssize_t count = ::read(boardFd, buffer, sizeof buffer);
        if (count <= 0)
            return false;
        received += count;
    }
    return true;
}

double millisecondsSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void report(const char* name, const QList<double>& samples)
{
    printFigure((QByteArray(name) + "_median").constData(), median(samples), "ms");
    printFigure((QByteArray(name) + "_p99").constData(), percentile(samples, 0.99), "ms");
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    MainWindowRig rig;
    if (!rig.start())
        return 1;
    rig.click("Command1");
    rig.board.drain();
    QLineEdit* angle = rig.get<QLineEdit>("ANGLE");
    QLineEdit* reply = rig.get<QLineEdit>("RISPOSTA");

    // The reference: a bare port on a pseudo-terminal of its own, the same line, the same wait.
    PtyPair bareBoard;
    QSerialPort bare;
    bare.setPortName(bareBoard.devicePath());
    if (!bare.open(QIODevice::ReadWrite))
        return 1;

    // The board by the loop: ser2net serving its line, the program's COM6 pointing at ser2net.
    MainWindowRig networkRig;
    Ser2Net ser2net(networkRig.board.devicePath(), QStringLiteral("tcp"));
    if (!ser2net.start())
        return 1;
    networkRig.directory.writeSettings(TestProgramDirectory::standardSettings(ser2net.url()));
    if (!networkRig.start())
        return 1;
    networkRig.click("Command1");
    networkRig.board.readFromProgram(12);
    QLineEdit* networkAngle = networkRig.get<QLineEdit>("ANGLE");

    QList<double> bareWrite, setAngle, degreesPlus, replyToScreen, setAngleTcp;
    QElapsedTimer timer;
    // Times one way of putting the six bytes of a position line on the wire.
    auto toWire = [&](QList<double>& samples, const PtyPair& board, const std::function<void()>& send) {
        timer.start();
        send();
        if (!waitReadable(board.boardFd(), 6))
            return false;
        samples.append(millisecondsSince(timer));
        return true;
    };
    for (int i = 0; i < Samples; ++i) {
        const auto bareSend = [&] {
            bare.write("A,95,\r");
            bare.flush();
        };
        if (!toWire(bareWrite, bareBoard, bareSend))
            return 1;
        angle->setText(QStringLiteral("95"));
        if (!toWire(setAngle, rig.board, [&] { rig.click("SETTA_ANGOLO"); }))
            return 1;
        angle->setText(QStringLiteral("90"));
        if (!toWire(degreesPlus, rig.board, [&] { rig.click("S_piu"); }))
            return 1;
        networkAngle->setText(QStringLiteral("95"));
        if (!toWire(setAngleTcp, networkRig.board, [&] { networkRig.click("SETTA_ANGOLO"); }))
            return 1;

        const QString answer = QStringLiteral("OK A %1 (1524 us)\r\n").arg(i);
        timer.start();
        rig.board.writeToProgram(answer.toLatin1());
        while (reply->text() != answer)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        replyToScreen.append(millisecondsSince(timer));
    }
    report("bare_write_to_wire", bareWrite);
    report("set_angle_click_to_wire", setAngle);
    report("set_angle_click_to_wire_tcp", setAngleTcp);
    printFigure("set_angle_tcp_ratio_to_serial", median(setAngleTcp) / median(setAngle), "x");
    report("degrees_plus_click_to_wire", degreesPlus);
    printFigure("set_angle_ratio_to_bare_write", median(setAngle) / median(bareWrite), "x (goal < 3)");
    printFigure("degrees_plus_ratio_to_bare_write", median(degreesPlus) / median(bareWrite), "x (goal < 3)");
    report("reply_to_screen", replyToScreen);
    return 0;
}
