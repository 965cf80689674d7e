#pragma once

#include "LineSettings.h"
#include "PortMap.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>

// The one serial port of the program: a port number resolved to a device through the port map,
// line settings as text, thresholds, RTS and flow control, reading everything waiting, writing text,
// and a single event signal carrying the classic communications event codes.
class SerialLink final : public QObject {
    Q_OBJECT
public:
    // Event codes as the communications event carries them.
    enum Event : int {
        EventSend = 1,
        EventReceive = 2,
        EventCts = 3,
        EventDsr = 4,
        EventCd = 5,
        EventRing = 6,
        EventEof = 7,
        ErrorBreak = 1001,
        ErrorFrame = 1004,
        ErrorOverrun = 1006,
        ErrorRxOver = 1008,
        ErrorRxParity = 1009,
        ErrorTxFull = 1010,
    };

    explicit SerialLink(QObject* parent = nullptr);
    ~SerialLink() override;

    void setPortMap(PortMap map);
    const PortMap& portMap() const { return m_portMap; }

    void setCommPort(int portNumber);
    int commPort() const { return m_portNumber; }
    QString device() const;

    // Refuses malformed text (the previous settings stay) and returns false with the reason in error.
    bool setSettings(const QString& text, QString* error = nullptr);
    QString settings() const { return m_settings.text(); }

    void setRThreshold(int characters) { m_receiveThreshold = characters; }
    void setSThreshold(int characters) { m_sendThreshold = characters; }
    void setRTSEnable(bool raised);
    void setHandshakingNone();

    bool open(QString* error = nullptr);
    void close();
    bool isOpen() const;

    // Everything waiting in the receive buffer, removed from it.
    QByteArray input();
    // Writes the text in one write; a closed port skips it silently.
    void output(const QByteArray& text);

    int commEvent() const { return m_lastEvent; }
    // Number of the last failure of open() or setSettings(), in the classic numbering: 8002 no such
    // port, 8005 port in use or not accessible, 380 invalid line settings, 8015 any other failure.
    int errorNumber() const { return m_errorNumber; }

signals:
    // Raised on the user-interface thread for every port event; commEvent() tells which.
    void onComm(int eventCode);
    // The device went away while open (cable pulled): the port has already been closed.
    void connectionLost(const QString& reason);

private:
    void applyLineSettings();
    void raise(int eventCode);
    void handleError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    PortMap m_portMap;
    LineSettings m_settings;
    int m_portNumber = 1;
    int m_receiveThreshold = 0;
    int m_sendThreshold = 0;
    bool m_rtsRaised = false;
    int m_lastEvent = 0;
    int m_errorNumber = 0;
};
