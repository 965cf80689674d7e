#pragma once

#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

// A loopback port nobody listens on at the moment of asking, for a daemon the test starts.
inline quint16 freeLoopbackPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// A daemon speaking rigctld's protocol on a free loopback port, started by the test and killed when
// it goes, with a connection of the test's own that plays the operator turning the VFO.
class LoopbackDaemon {
public:
    ~LoopbackDaemon() { kill(); }

    quint16 port() const { return m_port; }

    // Gone at once, as when its computer loses power.
    void kill()
    {
        m_control.abort();
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Sends a command on the test's connection without waiting for its answer, as a radio's knob
    // would not wait for anybody; answers left unread are dropped by the next command.
    void send(const QByteArray& command)
    {
        m_control.readAll();
        m_control.write(command + '\n');
        m_control.flush();
    }

    // The same, waiting for the answer's lines; they come back joined by blanks: "0" for t,
    // "FM 15000" for m.
    QByteArray ask(const QByteArray& command, int lines = 1)
    {
        send(command);
        QByteArray answer;
        while (answer.count('\n') < lines && m_control.waitForReadyRead(2000))
            answer += m_control.readAll();
        return answer.simplified();
    }
    // True when the answer was RPRT 0.
    bool command(const QByteArray& command) { return ask(command).startsWith("RPRT 0"); }

    bool setFrequency(qint64 hertz) { return command("F " + QByteArray::number(hertz)); }

protected:
    QProcess m_process;
    QTcpSocket m_control;
    const quint16 m_port = freeLoopbackPort(); // kept when the daemon is started again
};
