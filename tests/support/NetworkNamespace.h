#pragma once

#include <QDir>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

// A far computer on this machine: a network namespace reached over a veth pair, whose link the test
// can cut so the far end vanishes without a word, as a host that lost power or a pulled cable. Made
// and removed by the test (it needs root or CAP_NET_ADMIN); problem() says why when it could not be.
class NetworkNamespace {
public:
    NetworkNamespace()
    {
        if (m_ipProgram.isEmpty()) {
            m_problem = QStringLiteral("the ip command is missing (Debian package iproute2)");
            return;
        }
        removeLeftoversOfEndedTests();
        const auto pid = quint32(::getpid());
        m_name = Prefix + QString::number(pid);
        const QString near = nearEndOf(m_name);
        m_far = QStringLiteral("vtf%1").arg(pid);
        // A /30 of its own per test process, so tests running at once do not meet.
        const QString subnet = QStringLiteral("10.201.%1.%2").arg((pid >> 6) & 0xff);
        const QString nearAddress = subnet.arg((pid & 63) * 4 + 1);
        m_farAddress = subnet.arg((pid & 63) * 4 + 2);
        ip({"netns", "add", m_name}) &&
            ip({"link", "add", near, "type", "veth", "peer", "name", m_far, "netns", m_name}) &&
            ip({"addr", "add", nearAddress + "/30", "dev", near}) && ip({"link", "set", near, "up"}) &&
            inside({"addr", "add", m_farAddress + "/30", "dev", m_far}) && inside({"link", "set", m_far, "up"});
    }
    // The near end goes at once, its pair with it: the namespace itself lingers until the sockets
    // the cut left inside it time out.
    ~NetworkNamespace() { removeNamespace(m_name); }
    Q_DISABLE_COPY_MOVE(NetworkNamespace)

    bool ready() const { return m_problem.isEmpty(); }
    QString problem() const { return m_problem; }
    QString farAddress() const { return m_farAddress; }

    // Listens on the far address, inside the namespace: the socket stays there once made.
    bool listenInside(QTcpServer& server)
    {
        const int here = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        const int there = ::open(qPrintable("/run/netns/" + m_name), O_RDONLY | O_CLOEXEC);
        const bool listening =
            here >= 0 && there >= 0 && ::setns(there, CLONE_NEWNET) == 0 && server.listen(QHostAddress(m_farAddress));
        ::setns(here, CLONE_NEWNET);
        ::close(here);
        ::close(there);
        return listening;
    }

    // The far end's cable pulled: its link goes down and nothing more comes back.
    bool cutFarEnd() { return inside({"link", "set", m_far, "down"}); }

private:
    bool ip(const QStringList& arguments)
    {
        QProcess process;
        process.start(m_ipProgram, arguments);
        const bool done =
            process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (!done && m_problem.isEmpty())
            m_problem =
                QStringLiteral("ip %1: %2")
                    .arg(arguments.join(u' '), QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        return done;
    }
    bool inside(const QStringList& arguments) { return ip(QStringList{QStringLiteral("-n"), m_name} + arguments); }
    // A test killed by its timeout leaves its namespace behind; the next one clears it away.
    void removeLeftoversOfEndedTests()
    {
        for (const QString& name : QDir(QStringLiteral("/run/netns")).entryList({Prefix + u'*'}))
            if (::kill(pid_t(name.mid(Prefix.size()).toInt()), 0) != 0 && errno == ESRCH)
                removeNamespace(name);
        m_problem.clear();
    }
    // Each name ends in the pid of the test that made it, so leftovers of killed tests can be told.
    static inline const QString Prefix = QStringLiteral("veltrano-t-");
    static QString nearEndOf(const QString& name) { return "vtn" + name.mid(Prefix.size()); }
    void removeNamespace(const QString& name)
    {
        if (name.isEmpty())
            return;
        ip({"netns", "del", name});
        ip({"link", "del", nearEndOf(name)});
    }

    const QString m_ipProgram =
        QStandardPaths::findExecutable(QStringLiteral("ip"), {"/usr/sbin", "/sbin", "/usr/bin"});
    QString m_name, m_far, m_farAddress;
    QString m_problem;
};

// Makes the namespace for the test, which is skipped, saying why, where it cannot be made.
#define MAKE_NETWORK_NAMESPACE_OR_SKIP(name)                                                                           \
    NetworkNamespace name;                                                                                             \
    if (!name.ready())                                                                                                 \
    QSKIP(qPrintable("cannot make a network namespace here (needs root or CAP_NET_ADMIN): " + name.problem()))
