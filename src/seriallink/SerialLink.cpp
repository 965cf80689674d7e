#include "SerialLink.h"

SerialLink::SerialLink(QObject* parent)
    : QObject(parent)
{
    // A board that floods the line cannot make the program hold more than this; the rest waits in
    // the driver until the reply display has taken what is here.
    m_port.setReadBufferSize(64 * 1024);
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        if (m_receiveThreshold > 0 && m_port.bytesAvailable() >= m_receiveThreshold)
            raise(EventReceive);
    });
    connect(&m_port, &QSerialPort::bytesWritten, this, [this] {
        if (m_sendThreshold > 0 && m_port.bytesToWrite() < m_sendThreshold)
            raise(EventSend);
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::handleError);
}

SerialLink::~SerialLink() = default;

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
        m_errorNumber = 380;
        return false;
    }
    m_settings = *parsed;
    if (m_port.isOpen())
        applyLineSettings();
    return true;
}

void SerialLink::applyLineSettings()
{
    m_port.setBaudRate(m_settings.baud);
    m_port.setParity(m_settings.parity);
    m_port.setDataBits(m_settings.dataBits);
    m_port.setStopBits(m_settings.stopBits);
}

void SerialLink::setRTSEnable(bool raised)
{
    m_rtsRaised = raised;
    if (m_port.isOpen())
        m_port.setRequestToSend(raised);
}

void SerialLink::setHandshakingNone()
{
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

bool SerialLink::open(QString* error)
{
    if (m_portNumber < 1) {
        m_errorNumber = 8002;
        if (error)
            *error = QStringLiteral("Invalid port number %1").arg(m_portNumber);
        return false;
    }
    m_port.setPortName(device());
    applyLineSettings();
    if (!m_port.open(QIODevice::ReadWrite)) {
        switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError: m_errorNumber = 8002; break;
        case QSerialPort::PermissionError:
        case QSerialPort::OpenError: m_errorNumber = 8005; break;
        default: m_errorNumber = 8015; break;
        }
        if (error)
            *error = QStringLiteral("%1: %2").arg(device(), m_port.errorString());
        m_port.clearError();
        return false;
    }
    // Pseudo-terminals refuse modem lines; RTS is raised where the device has it.
    if (m_rtsRaised && m_port.flowControl() != QSerialPort::HardwareControl)
        m_port.setRequestToSend(true);
    m_port.clearError();
    return true;
}

void SerialLink::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool SerialLink::isOpen() const
{
    return m_port.isOpen();
}

QByteArray SerialLink::input()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

void SerialLink::output(const QByteArray& text)
{
    if (!m_port.isOpen())
        return;
    m_port.write(text);
    // Hand the bytes to the driver now rather than on the next pass of the event loop.
    m_port.flush();
}

void SerialLink::raise(int eventCode)
{
    m_lastEvent = eventCode;
    emit onComm(eventCode);
}

void SerialLink::handleError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError: return;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::PermissionError:
    case QSerialPort::DeviceNotFoundError:
        if (m_port.isOpen()) {
            // Left open, a vanished device reports the same error again and again and spins a core.
            const QString reason = m_port.errorString();
            m_port.clearError();
            m_port.close();
            emit connectionLost(reason);
        }
        return;
    default: m_port.clearError(); return;
    }
}
