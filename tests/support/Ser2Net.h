#pragma once

#include "LoopbackDaemon.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's ser2net serving a serial line (here a pseudo-terminal's) on a loopback port, as a small
// computer by the loop would: a YAML file of its own, started and stopped by the test.
class Ser2Net {
public:
    // Serves the device as the scheme says, "tcp" (bytes only) or "rfc2217" (Telnet carrying the line
    // settings), on the given port or on a free one.
    Ser2Net(const QString& device, const QString& scheme, quint16 port = 0);
    ~Ser2Net() { kill(); }

    // False when ser2net is missing or did not listen within a few seconds.
    bool start();
    // Gone at once, as when the small computer loses power.
    void kill();

    quint16 port() const { return m_port; }
    // What [porte] names: tcp://127.0.0.1:PORT or rfc2217://127.0.0.1:PORT.
    QString url() const { return QStringLiteral("%1://127.0.0.1:%2").arg(m_scheme).arg(m_port); }

private:
    bool listening() const;

    QString m_device;
    QString m_scheme;
    quint16 m_port;
    QTemporaryDir m_directory;
    QProcess m_process;
};
