#pragma once

#include <QMap>
#include <QString>

// What a port number stands for: a serial device, or a board that ser2net serves on the network,
// as raw bytes (tcp://HOST:PORT) or as Telnet with RFC 2217 line settings (rfc2217://HOST:PORT).
struct PortAddress {
    enum class Kind { Device, RawTcp, Rfc2217 };

    Kind kind = Kind::Device;
    QString text; // the device path or the URL, as written
    QString host;
    quint16 port = 0;

    static PortAddress parse(const QString& text);
    bool isNetwork() const { return kind != Kind::Device; }
    // A network address needs both a host and a port number.
    bool isUsable() const { return !isNetwork() || (!host.isEmpty() && port != 0); }
};

// Which device a port number means. On Windows port n is "COMn". Elsewhere the [porte] section of the
// settings file can name a device for each number (COM6=/dev/ttyACM0); without one, port n is
// /dev/ttyS<n-1>, the first serial port being COM1. A network address in [porte] counts everywhere.
class PortMap {
public:
    PortMap() = default;
    explicit PortMap(QMap<int, QString> devices);

    // The device path or URL, as the connection frame shows it.
    QString device(int portNumber) const;
    PortAddress address(int portNumber) const { return PortAddress::parse(device(portNumber)); }

private:
    QMap<int, QString> m_devices;
};
