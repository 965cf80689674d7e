#pragma once

#include "Transport.h"

#include <QSerialPort>

// A serial device: a USB cable to the board, or a pseudo-terminal standing in for it.
class SerialTransport final : public Transport {
    Q_OBJECT
public:
    SerialTransport(const QString& device, QSerialPort::FlowControl flowControl, QObject* parent = nullptr);

    void open(const LineSettings& settings, bool rtsRaised) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    void applyLineSettings(const LineSettings& settings) override;
    void setRequestToSend(bool raised) override;

    qint64 bytesAvailable() const override { return m_port.bytesAvailable(); }
    qint64 bytesToWrite() const override { return m_port.bytesToWrite(); }
    QByteArray readAll() override { return m_port.readAll(); }
    void write(const QByteArray& data) override;

private:
    void handleError(QSerialPort::SerialPortError error);

    QString m_device; // as written: the port reports only its last part back
    QSerialPort m_port;
};
