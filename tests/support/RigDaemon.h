#pragma once

#include "LoopbackPort.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>

#include <csignal>

// Hamlib's rigctld with its dummy radio on a free loopback port, started, killed, frozen and started
// again by the test. A second connection of its own plays the operator turning the VFO.
class RigDaemon {
public:
    static QString program() { return QStringLiteral(RIGCTLD); }
    static bool installed() { return !program().isEmpty(); }

    ~RigDaemon() { kill(); }

    // Starts the daemon, on the port it had before when restarted; false when it does not come up.
    bool start(const QStringList& moreArguments = {})
    {
        if (m_port == 0)
            m_port = freeLoopbackPort();
        m_daemon.setProgram(program());
        m_daemon.setArguments(QStringList{QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                                          QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(m_port)} +
                              moreArguments);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.setStandardOutputFile(QProcess::nullDevice());
        m_daemon.start();
        if (!m_daemon.waitForStarted(5000))
            return false;
        const QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired()) {
            m_control.abort();
            m_control.connectToHost(QStringLiteral("127.0.0.1"), m_port);
            if (m_control.waitForConnected(200))
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    void kill()
    {
        m_control.abort();
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }

    // A daemon that hangs: connections are still accepted by the kernel, nothing is answered.
    void freeze() { ::kill(pid_t(m_daemon.processId()), SIGSTOP); }
    void thaw() { ::kill(pid_t(m_daemon.processId()), SIGCONT); }

    quint16 port() const { return m_port; }

    // Sends a command on the second connection without waiting for its answer, as a radio's knob
    // would not wait for anybody; the answers are read and dropped later.
    void send(const QByteArray& command)
    {
        m_control.readAll();
        m_control.write(command + '\n');
        m_control.flush();
    }

    // The same, waiting for the daemon's answer; true when it was RPRT 0.
    bool command(const QByteArray& command)
    {
        send(command);
        QByteArray answer;
        while (!answer.contains('\n') && m_control.waitForReadyRead(2000))
            answer += m_control.readAll();
        return answer.startsWith("RPRT 0");
    }

    bool setFrequency(qint64 hertz) { return command("F " + QByteArray::number(hertz)); }

private:
    QProcess m_daemon;
    QTcpSocket m_control;
    quint16 m_port = 0;
};
