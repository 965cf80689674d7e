#pragma once

#include "LoopbackDaemon.h"

#include <QDeadlineTimer>
#include <QTest>
#include <QThread>

#include <csignal>

// Hamlib's rigctld with its dummy radio, started, killed, frozen and started again by the test.
class RigDaemon : public LoopbackDaemon {
public:
    static QString program() { return QStringLiteral(RIGCTLD); }
    static bool installed() { return !program().isEmpty(); }

    // Starts the daemon, on the port it had before when restarted; false when it does not come up.
    bool start(const QStringList& moreArguments = {})
    {
        m_process.setProgram(program());
        m_process.setArguments(QStringList{QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                                           QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(m_port)} +
                               moreArguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.start();
        if (!m_process.waitForStarted(5000))
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

    // A daemon that hangs: connections are still accepted by the kernel, nothing is answered.
    void freeze() { ::kill(pid_t(m_process.processId()), SIGSTOP); }
    void thaw() { ::kill(pid_t(m_process.processId()), SIGCONT); }
};

// Starts rigctld as `name` for the test, which is skipped where Hamlib's rigctld is not installed.
#define START_RIGCTLD_OR_SKIP(name, ...)                                                                               \
    if (!RigDaemon::installed())                                                                                       \
        QSKIP("rigctld is not installed (Debian package libhamlib-utils)");                                            \
    RigDaemon name;                                                                                                    \
    QVERIFY(name.start(__VA_ARGS__))
