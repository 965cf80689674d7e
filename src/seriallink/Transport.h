#pragma once

#include "LineSettings.h"

#include <QByteArray>
#include <QObject>

// Why a port did not open, in the classic numbering that the start-up port-setting error shows.
enum PortError : int {
    InvalidLineSettings = 380,
    NoSuchPort = 8002,
    PortNotAccessible = 8005, // in use, no permission, or the far end turned us away
    PortSetupFailed = 8015,   // anything else, a far end that never answered included
};

// What carries the bytes between the program and the board: a serial device, or a TCP connection
// to ser2net. Opening may finish later (a network port) or before open() returns (a device).
class Transport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts opening; opened() or openFailed() follows, perhaps before this returns.
    virtual void open(const LineSettings& settings, bool rtsRaised) = 0;
    // Closes at once, abandoning an open in progress without a word.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void applyLineSettings(const LineSettings& settings) = 0;
    virtual void setRequestToSend(bool raised) = 0;

    virtual qint64 bytesAvailable() const = 0;
    virtual qint64 bytesToWrite() const = 0;
    virtual QByteArray readAll() = 0;
    // Hands the bytes on at once rather than on the next pass of the event loop.
    virtual void write(const QByteArray& data) = 0;

signals:
    void opened();
    void openFailed(int errorNumber, const QString& reason);
    void readyRead();
    void bytesWritten();
    // The other end went away while open; the transport has already closed.
    void lost(const QString& reason);
};
