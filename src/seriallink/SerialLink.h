#pragma once

#include "LineSettings.h"
#include "PortMap.h"
#include "Transport.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSerialPort>

class QEventLoop;

// The one port of the program: a port number resolved through the port map to a serial device or
// a ser2net address, line settings as text, thresholds, RTS and flow control, reading everything
// waiting, writing text, and a single event signal carrying the classic communications event codes.
class SerialLink final : public QObject {
    Q_OBJECT
public:
    // The communications events this port raises.
    enum Event : int {
        EventSend = 1,
        EventReceive = 2,
    };

    explicit SerialLink(QObject* parent = nullptr);
    ~SerialLink() override;

    void setPortMap(PortMap map);
    const PortMap& portMap() const { return m_portMap; }

    void setCommPort(int portNumber);
    int commPort() const { return m_portNumber; }
    // The device path or network address the port number means.
    QString device() const;

    // Refuses malformed text (the previous settings stay) and returns false with the reason in error.
    bool setSettings(const QString& text, QString* error = nullptr);
    QString settings() const { return m_settings.text(); }

    void setRThreshold(int characters) { m_receiveThreshold = characters; }
    void setSThreshold(int characters) { m_sendThreshold = characters; }
    void setRTSEnable(bool raised);
    void setHandshakingNone();

    // Closes the port and starts opening it again; openFinished tells how it went. A device answers
    // before this returns, a network port within a few seconds while events go on being served.
    void beginOpen();
    // Opens and waits for the answer, serving every event but user input meanwhile: for start-up,
    // before a window shows.
    bool open(QString* error = nullptr);
    // Also abandons an open in progress, without openFinished.
    void close();
    bool isOpen() const;

    // Everything waiting in the receive buffer, removed from it.
    QByteArray input();
    // Writes the text in one write; a closed port skips it silently.
    void output(const QByteArray& text);

    // Number of the last failure of open() or setSettings(), one of PortError.
    int errorNumber() const { return m_errorNumber; }

signals:
    // Raised on the user-interface thread for every port event.
    void onComm(int eventCode);
    // The port opened, or closed for any reason: closed by the program, given up or lost.
    void openChanged(bool open);
    void openFinished(bool opened, const QString& error);
    // The device or ser2net went away while open (cable pulled): the port has already been closed.
    void connectionLost(const QString& reason);

private:
    void raise(int eventCode);
    void settleOpen(bool opened, const QString& error);
    void dropTransport();
    void setOpen(bool open);

    Transport* m_transport = nullptr; // a child, replaced on every open
    PortMap m_portMap;
    LineSettings m_settings;
    int m_portNumber = 1;
    int m_receiveThreshold = 0;
    int m_sendThreshold = 0;
    bool m_rtsRaised = false;
    QSerialPort::FlowControl m_flowControl = QSerialPort::NoFlowControl;
    bool m_opening = false;
    QPointer<QEventLoop> m_openWait;
    bool m_open = false;
    int m_errorNumber = 0;
};
