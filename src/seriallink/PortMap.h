#pragma once

#include <QMap>
#include <QString>

// Which device a port number means. On Windows port n is "COMn". Elsewhere the [porte] section of the
// settings file can name a device for each number (COM6=/dev/ttyACM0); without one, port n is
// /dev/ttyS<n-1>, the first serial port being COM1.
class PortMap {
public:
    PortMap() = default;
    explicit PortMap(QMap<int, QString> devices);

    QString device(int portNumber) const;

private:
    QMap<int, QString> m_devices;
};
