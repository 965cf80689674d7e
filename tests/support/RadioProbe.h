#pragma once

#include <QByteArray>
#include <QTcpSocket>

// A connection of the test's own to a rigctld, asking in the plain protocol how the radio stands,
// as another program on the same daemon would.
class RadioProbe {
public:
    explicit RadioProbe(quint16 port)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        m_socket.waitForConnected(2000);
    }

    // The answer's lines joined by blanks: "0" for t, "FM 15000" for m.
    QByteArray ask(const QByteArray& command, int lines = 1)
    {
        m_socket.readAll();
        m_socket.write(command + '\n');
        QByteArray answer;
        while (answer.count('\n') < lines && m_socket.waitForReadyRead(2000))
            answer += m_socket.readAll();
        return answer.simplified();
    }
    QByteArray ptt() { return ask("t"); }
    // Mode, passband, power and frequency: "USB 2400 0.500000 7074000".
    QByteArray settings() { return ask("m", 2) + ' ' + ask("l RFPOWER") + ' ' + ask("f"); }

    // The radio made to transmit as a run would key it.
    void keyUp(const QByteArray& mode, const QByteArray& power, const QByteArray& hertz)
    {
        ask("M " + mode + " 0");
        ask("L RFPOWER " + power);
        ask("F " + hertz);
        ask("T 1");
    }

private:
    QTcpSocket m_socket;
};
