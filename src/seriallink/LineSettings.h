#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

// Line settings in the text form "baud,parity,data bits,stop bits", for example "9600,n,8,1".
struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // nullopt, with the reason in error, for text that is not four valid fields.
    static std::optional<LineSettings> parse(const QString& text, QString* error = nullptr);
    // The text form, as the port reports its settings back ("19200,n,8,1").
    QString text() const;
};
