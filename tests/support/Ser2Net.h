#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's ser2net serving a serial line (here a pseudo-terminal's) on a loopback port, as a small
// computer by the loop would: a YAML file of its own, started and stopped by the test.
class Ser2Net {
public:
    enum class Protocol { RawTcp, Rfc2217 };

    // Serves the device on the given port, or on a free one.
    Ser2Net(const QString& device, Protocol protocol, quint16 port = 0);
    ~Ser2Net();
    Ser2Net(const Ser2Net&) = delete;
    Ser2Net& operator=(const Ser2Net&) = delete;

    // False when ser2net is missing or did not listen within a few seconds.
    bool start();
    // Gone at once, as when the small computer loses power.
    void kill();

    quint16 port() const { return m_port; }
    // What [porte] names: tcp://127.0.0.1:PORT or rfc2217://127.0.0.1:PORT.
    QString url() const;

private:
    bool listening() const;

    QString m_device;
    Protocol m_protocol;
    quint16 m_port;
    QTemporaryDir m_directory;
    QProcess m_process;
};
