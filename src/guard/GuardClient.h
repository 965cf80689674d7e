#pragma once

#include "KeyingGuard.h"

#include <QProcess>
#include <QString>
#include <QTimer>

#include <chrono>

// The program's side of the guard: starts veltrano-guard for the session, knows whether it runs and
// reaches rigctld, and tells it before each key-up what to give the radio back and by when to unkey
// it, and after the unkey that the radio is off the air. A guard that died is started again after
// RestartMs, or at once on the next request. Keying the radio is refused while isReady() is false.
class GuardClient final : public KeyingGuard {
    Q_OBJECT
public:
    static constexpr int RestartMs = 1000;

    // The guard beside the program's own executable.
    static QString programBesideThisOne();

    explicit GuardClient(QString program = programBesideThisOne(), QObject* parent = nullptr);
    // Lets the guard end by itself, unkeying first if the radio is still on the air.
    ~GuardClient() override;
    Q_DISABLE_COPY_MOVE(GuardClient)

    // Starts the guard for rigctld at host:port, ending one that runs for another.
    void start(const QString& host, quint16 port);
    // Ends the guard: it unkeys first if told the radio is on the air.
    void stop();

    bool isReady() const override { return m_running && m_connected; }
    QString notReadyReason() const override;
    // The guard's process, for those who watch it; 0 when none runs.
    qint64 processId() const { return m_running ? m_process.processId() : 0; }
    // Whether the guard's process is there at all, ready or ending.
    bool processRunning() const { return m_process.state() != QProcess::NotRunning; }

    // False, and the guard is started again if it died, when it is not ready.
    bool onAir(std::chrono::milliseconds untilDeadline, const guard::RadioSettings& restore) override;
    void offAir() override;

private:
    void launch();
    void readStatus();
    void ended();
    void setConnected(bool connected);

    QString m_program;
    QString m_host;
    quint16 m_port = 0;
    QProcess m_process;
    QTimer m_restart;
    bool m_wanted = false;    // started, and not told to stop since
    bool m_running = false;   // started and said READY
    bool m_connected = false; // said CONNECTED since, and not LOST
};
