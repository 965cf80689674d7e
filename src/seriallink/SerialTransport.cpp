#include "SerialTransport.h"

SerialTransport::SerialTransport(const QString& device, QSerialPort::FlowControl flowControl, QObject* parent)
    : Transport(parent)
    , m_device(device)
{
    m_port.setPortName(device);
    m_port.setFlowControl(flowControl);
    // A board that floods the line cannot make the program hold more than this; the rest waits in
    // the driver until the reply display has taken what is here.
    m_port.setReadBufferSize(64 * 1024);
    connect(&m_port, &QSerialPort::readyRead, this, &Transport::readyRead);
    connect(&m_port, &QSerialPort::bytesWritten, this, &Transport::bytesWritten);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialTransport::handleError);
}

void SerialTransport::open(const LineSettings& settings, bool rtsRaised)
{
    applyLineSettings(settings);
    if (!m_port.open(QIODevice::ReadWrite)) {
        int number = PortSetupFailed;
        switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError: number = NoSuchPort; break;
        case QSerialPort::PermissionError:
        case QSerialPort::OpenError: number = PortNotAccessible; break;
        default: break;
        }
        const QString reason = QStringLiteral("%1: %2").arg(m_device, m_port.errorString());
        m_port.clearError();
        emit openFailed(number, reason);
        return;
    }
    // Pseudo-terminals refuse modem lines; RTS is raised where the device has it.
    if (rtsRaised && m_port.flowControl() != QSerialPort::HardwareControl)
        m_port.setRequestToSend(true);
    m_port.clearError();
    emit opened();
}

void SerialTransport::close()
{
    if (m_port.isOpen())
        m_port.close();
}

void SerialTransport::applyLineSettings(const LineSettings& settings)
{
    m_port.setBaudRate(settings.baud);
    m_port.setParity(settings.parity);
    m_port.setDataBits(settings.dataBits);
    m_port.setStopBits(settings.stopBits);
}

void SerialTransport::setRequestToSend(bool raised)
{
    if (m_port.isOpen())
        m_port.setRequestToSend(raised);
}

void SerialTransport::write(const QByteArray& data)
{
    m_port.write(data);
    m_port.flush();
}

void SerialTransport::handleError(QSerialPort::SerialPortError error)
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
            emit lost(reason);
        }
        return;
    default: m_port.clearError(); return;
    }
}
