#include "NetworkTransport.h"

#include "FarEnd.h"

NetworkTransport::NetworkTransport(PortAddress address, QObject* parent)
    : Transport(parent)
    , m_address(std::move(address))
{
    // The same cap as on a serial port: a flooding far end waits in the kernel, not in our memory.
    m_socket.setReadBufferSize(64 * 1024);
    m_openTimeout.setSingleShot(true);
    m_openTimeout.setInterval(OpenTimeout);
    connect(&m_openTimeout, &QTimer::timeout, this, [this] {
        fail(PortSetupFailed, described(QStringLiteral("no answer within %1 s").arg(OpenTimeout.count() / 1000)));
    });
    connect(&m_socket, &QTcpSocket::connected, this, &NetworkTransport::onConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetworkTransport::onReadyRead);
    connect(&m_socket, &QTcpSocket::bytesWritten, this, &Transport::bytesWritten);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetworkTransport::onError);
    connect(&m_socket, &QTcpSocket::disconnected, this, &NetworkTransport::onDisconnected);
}

NetworkTransport::~NetworkTransport()
{
    // A socket still connected says goodbye as it goes; nothing here may hear it half torn down.
    disconnect(&m_socket, nullptr, this, nullptr);
}

QString NetworkTransport::described(const QString& what) const
{
    return QStringLiteral("%1: %2").arg(m_address.text, what);
}

void NetworkTransport::open(const LineSettings& settings, bool)
{
    m_settings = settings;
    if (!m_address.isUsable()) {
        emit openFailed(NoSuchPort, described(QStringLiteral("a network port is written tcp://HOST:PORT or "
                                                             "rfc2217://HOST:PORT")));
        return;
    }
    m_received.clear();
    m_opening = true;
    m_openTimeout.start();
    m_socket.connectToHost(m_address.host, m_address.port);
}

void NetworkTransport::onConnected()
{
    // Command lines are a few bytes each: send them now, not when more would fill a segment.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    noticeVanishedFarEnd(m_socket);
    if (m_address.kind != PortAddress::Kind::Rfc2217) {
        finishOpening();
        return;
    }
    m_telnet.emplace();
    send(m_telnet->greeting());
}

void NetworkTransport::finishOpening()
{
    m_openTimeout.stop();
    m_opening = false;
    m_open = true;
    emit opened();
    if (m_open && !m_received.isEmpty())
        emit readyRead();
}

void NetworkTransport::fail(int errorNumber, const QString& why)
{
    m_openTimeout.stop();
    m_opening = false;
    m_telnet.reset();
    m_socket.abort();
    emit openFailed(errorNumber, why);
}

void NetworkTransport::onReadyRead()
{
    const QByteArray bytes = m_socket.readAll();
    if (!m_telnet) {
        m_received += bytes;
    } else {
        QByteArray replies;
        m_received += m_telnet->decode(bytes, replies);
        send(replies);
        if (!m_telnet) // dropped for not reading our answers
            return;
        if (m_opening) {
            switch (m_telnet->comPortOption()) {
            case TelnetCodec::Agreement::Pending: return;
            case TelnetCodec::Agreement::Refused:
                fail(PortNotAccessible, described(QStringLiteral("the far end refuses to set the serial line "
                                                                 "(RFC 2217); try tcp://")));
                return;
            case TelnetCodec::Agreement::Agreed:
                send(TelnetCodec::lineSettingsCommands(m_settings));
                finishOpening();
                return;
            }
        }
    }
    // Telnet commands alone carry no data and must not look like a reply.
    if (m_open && !m_received.isEmpty())
        emit readyRead();
}

void NetworkTransport::onError(QAbstractSocket::SocketError error)
{
    if (m_opening) {
        const int number =
            error == QAbstractSocket::HostNotFoundError ? NoSuchPort
            : error == QAbstractSocket::ConnectionRefusedError || error == QAbstractSocket::SocketAccessError
                ? PortNotAccessible
                : PortSetupFailed;
        fail(number, described(m_socket.errorString()));
        return;
    }
    onDisconnected();
}

void NetworkTransport::onDisconnected()
{
    if (!m_open)
        return;
    // Like a pulled cable: closed once, and nothing keeps reporting it.
    const QString reason = described(m_socket.error() == QAbstractSocket::UnknownSocketError
                                         ? QStringLiteral("the far end closed the connection")
                                         : m_socket.errorString());
    m_open = false;
    m_telnet.reset();
    m_socket.abort();
    emit lost(reason);
}

void NetworkTransport::close()
{
    const bool wasConnected = m_open || m_opening;
    m_openTimeout.stop();
    m_opening = false;
    m_open = false;
    m_telnet.reset();
    m_received.clear();
    if (!wasConnected)
        return;
    m_socket.disconnectFromHost();
    // Writes were flushed to the kernel, which sends them before its goodbye; nothing may linger here.
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.abort();
}

void NetworkTransport::applyLineSettings(const LineSettings& settings)
{
    m_settings = settings;
    // A raw TCP port keeps the line settings ser2net was configured with.
    if (m_open && m_telnet)
        send(TelnetCodec::lineSettingsCommands(settings));
}

qint64 NetworkTransport::bytesAvailable() const
{
    return m_received.size();
}

QByteArray NetworkTransport::readAll()
{
    return std::exchange(m_received, QByteArray());
}

void NetworkTransport::write(const QByteArray& data)
{
    send(m_telnet ? TelnetCodec::escape(data) : data);
}

void NetworkTransport::send(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_socket.state() != QAbstractSocket::ConnectedState || writeWithinBound(m_socket, bytes))
        return;
    const QString reason = described(farEndNotReadingReason());
    if (m_opening) {
        fail(PortSetupFailed, reason);
        return;
    }
    m_open = false;
    m_telnet.reset();
    m_socket.abort();
    // Told after the write that found it returns, like any other loss.
    QMetaObject::invokeMethod(
        this, [this, reason] { emit lost(reason); }, Qt::QueuedConnection);
}
