#pragma once

#include "LoopbackDaemon.h"

#include <QRegularExpression>
#include <QTest>

#include <optional>

// The radio as the station has it before a run, and as it must be after: on 7050 kHz in USB, its
// normal passband, half power, not transmitting.
const QStringList StationOptionsAtRest = {"--freq", "7050000", "--mode", "USB", "--power", "0.5"};
const QString RadioAtRest = QStringLiteral("USB 2400 0.500000 0");

// The simulated station (tools/station) on a free loopback port: a radio behind rigctld's protocol
// whose SWR meter reads the loop at the servo angle of the pulse lines it is fed. Its log tells what
// the radio was made to do; a connection of the test's own asks the radio how it stands.
class SimulatedStation : public LoopbackDaemon {
public:
    // Starts the station, on the port it had before when started again; false when it does not come up.
    // The log goes on from the one before.
    bool start(const QStringList& arguments = {})
    {
        const qsizetype started = count(QStringLiteral("^STATION "));
        m_process.setProgram(QStringLiteral(STATION));
        m_process.setArguments(QStringList{QStringLiteral("--port"), QString::number(m_port)} + arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!QTest::qWaitFor([&] { return count(QStringLiteral("^STATION ")) > started; }, 5000))
            return false;
        m_control.abort();
        m_control.connectToHost(QStringLiteral("127.0.0.1"), m_port);
        return m_control.waitForConnected(2000);
    }

    void takePulseLine(const QByteArray& line)
    {
        if (m_process.state() == QProcess::Running)
            m_process.write(line);
    }

    // Every line the station has logged, through all its starts.
    QStringList log()
    {
        while (m_process.canReadLine())
            m_log << QString::fromLatin1(m_process.readLine()).trimmed();
        return m_log;
    }
    // The last logged line that matches, with its captures.
    std::optional<QRegularExpressionMatch> logged(const QString& pattern)
    {
        const QList<QRegularExpressionMatch> matches = allLogged(pattern);
        return matches.isEmpty() ? std::nullopt : std::optional(matches.constLast());
    }
    // Every logged line that matches.
    QList<QRegularExpressionMatch> allLogged(const QString& pattern)
    {
        const QRegularExpression expression(pattern);
        QList<QRegularExpressionMatch> matches;
        for (const QString& line : log()) {
            if (const auto match = expression.match(line); match.hasMatch())
                matches << match;
        }
        return matches;
    }
    qsizetype count(const QString& pattern) { return allLogged(pattern).size(); }

    // The shaft angle of the loop's resonance at the radio's frequency.
    double dip()
    {
        const auto match = logged(QStringLiteral("^FREQ \\d+ dip=([0-9.]+)"));
        return match ? match->captured(1).toDouble() : -1;
    }

    // What the radio says now, asked in rigctld's plain form: "USB 2400 0.500000 0" (mode, passband,
    // RFPOWER, PTT).
    QString radio() { return QString::fromLatin1(ask("m", 2) + ' ' + ask("l RFPOWER") + ' ' + ask("t")); }

private:
    QStringList m_log;
};
