#pragma once

#include "BoardSession.h"
#include "EmulatedBoard.h"
#include "RigLink.h"
#include "SimulatedStation.h"
#include "TuneRun.h"
#include "TuningTable.h"

#include <QSerialPort>

#include <cmath>
#include <optional>

// The pulse the firmware puts out for an angle in tenths, as the emulator reports it.
inline int widthOf(int tenths)
{
    return int(std::lround(544 + tenths * 1856 / 1800.0));
}

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
        if (!station.start(StationOptionsAtRest + stationOptions))
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
