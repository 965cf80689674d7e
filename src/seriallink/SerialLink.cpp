#include "SerialLink.h"

#include "NetworkTransport.h"
#include "SerialTransport.h"
#include "SettingKeys.h"

#include <QEventLoop>

SerialLink::SerialLink(QObject* parent)
    : QObject(parent)
{
}

SerialLink::~SerialLink()
{
    dropTransport();
}

void SerialLink::setPortMap(PortMap map)
{
    m_portMap = std::move(map);
}

void SerialLink::setCommPort(int portNumber)
{
    m_portNumber = portNumber;
}

QString SerialLink::device() const
{
    return m_portMap.device(m_portNumber);
}

bool SerialLink::setSettings(const QString& text, QString* error)
{
    const auto parsed = LineSettings::parse(text, error);
    if (!parsed) {
        m_errorNumber = InvalidLineSettings;
        return false;
    }
    m_settings = *parsed;
    if (isOpen())
        m_transport->applyLineSettings(m_settings);
    return true;
}

void SerialLink::setRTSEnable(bool raised)
{
    m_rtsRaised = raised;
    if (isOpen())
        m_transport->setRequestToSend(raised);
}

void SerialLink::setHandshakingNone()
{
    m_flowControl = QSerialPort::NoFlowControl;
}

void SerialLink::beginOpen()
{
    close();
    if (m_portNumber < PortNumbers.minimum || m_portNumber > PortNumbers.maximum) {
        m_errorNumber = NoSuchPort;
        settleOpen(false, QStringLiteral("Invalid port number %1").arg(m_portNumber));
        return;
    }
    const PortAddress address = m_portMap.address(m_portNumber);
    if (address.isNetwork())
        m_transport = new NetworkTransport(address, this);
    else
        m_transport = new SerialTransport(address.text, m_flowControl, this);
    connect(m_transport, &Transport::opened, this, [this] { settleOpen(true, QString()); });
    connect(m_transport, &Transport::openFailed, this, [this](int number, const QString& reason) {
        m_errorNumber = number;
        settleOpen(false, reason);
    });
    connect(m_transport, &Transport::readyRead, this, [this] {
        if (m_receiveThreshold > 0 && m_transport->bytesAvailable() >= m_receiveThreshold)
            raise(EventReceive);
    });
    connect(m_transport, &Transport::bytesWritten, this, [this] {
        if (m_sendThreshold > 0 && m_transport->bytesToWrite() < m_sendThreshold)
            raise(EventSend);
    });
    connect(m_transport, &Transport::lost, this, [this](const QString& reason) {
        setOpen(false);
        emit connectionLost(reason);
    });
    m_opening = true;
    m_transport->open(m_settings, m_rtsRaised);
}

bool SerialLink::open(QString* error)
{
    QString reason;
    const auto noted =
        connect(this, &SerialLink::openFinished, this, [&reason](bool, const QString& why) { reason = why; });
    beginOpen();
    if (m_opening) {
        QEventLoop wait;
        m_openWait = &wait;
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    disconnect(noted);
    if (error && !isOpen())
        *error = reason;
    return isOpen();
}

void SerialLink::settleOpen(bool opened, const QString& error)
{
    m_opening = false;
    if (m_openWait)
        m_openWait->quit();
    setOpen(opened);
    emit openFinished(opened, error);
}

void SerialLink::close()
{
    m_opening = false;
    if (m_openWait)
        m_openWait->quit();
    dropTransport();
}

void SerialLink::dropTransport()
{
    if (!m_transport)
        return;
    // The transport may be the one whose signal brought us here: it goes once that has returned.
    disconnect(m_transport, nullptr, this, nullptr);
    m_transport->close();
    m_transport->deleteLater();
    m_transport = nullptr;
    setOpen(false);
}

void SerialLink::setOpen(bool open)
{
    if (std::exchange(m_open, open) != open)
        emit openChanged(open);
}

bool SerialLink::isOpen() const
{
    return m_transport && m_transport->isOpen();
}

QByteArray SerialLink::input()
{
    return isOpen() ? m_transport->readAll() : QByteArray();
}

void SerialLink::output(const QByteArray& text)
{
    if (isOpen())
        m_transport->write(text);
}

void SerialLink::raise(int eventCode)
{
    emit onComm(eventCode);
}
