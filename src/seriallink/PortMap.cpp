#include "PortMap.h"

#include <QUrl>

PortAddress PortAddress::parse(const QString& text)
{
    PortAddress address;
    address.text = text.trimmed();
    const QString lower = address.text.toLower();
    if (lower.startsWith(u"tcp://"))
        address.kind = Kind::RawTcp;
    else if (lower.startsWith(u"rfc2217://"))
        address.kind = Kind::Rfc2217;
    else
        return address;
    // QUrl takes host names, IPv4 and bracketed IPv6 addresses alike.
    const QUrl url(address.text, QUrl::StrictMode);
    if (url.isValid() && url.port() > 0 && (url.path().isEmpty() || url.path() == u"/")) {
        address.host = url.host();
        address.port = quint16(url.port());
    }
    return address;
}

PortMap::PortMap(QMap<int, QString> devices)
    : m_devices(std::move(devices))
{
}

QString PortMap::device(int portNumber) const
{
    const auto found = m_devices.constFind(portNumber);
#ifdef Q_OS_WIN
    if (found != m_devices.constEnd() && PortAddress::parse(*found).isNetwork())
        return *found;
    return QStringLiteral("COM%1").arg(portNumber);
#else
    if (found != m_devices.constEnd())
        return *found;
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}
