#include "PortMap.h"

PortMap::PortMap(QMap<int, QString> devices)
    : m_devices(std::move(devices))
{
}

QString PortMap::device(int portNumber) const
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    if (const auto found = m_devices.constFind(portNumber); found != m_devices.constEnd())
        return *found;
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}
