#pragma once

#include "PortMap.h"
#include "TelnetCodec.h"
#include "Transport.h"

#include <QTcpSocket>
#include <QTimer>

#include <chrono>
#include <optional>

// The board's serial line served on the network by ser2net: raw bytes over TCP, or Telnet with the
// COM-PORT option (RFC 2217) so the line settings travel to the far serial port. Opening never
// blocks; a far end that has not answered within the open timeout counts as absent.
class NetworkTransport final : public Transport {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds OpenTimeout{3000};

    explicit NetworkTransport(PortAddress address, QObject* parent = nullptr);
    ~NetworkTransport() override;

    void open(const LineSettings& settings, bool rtsRaised) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void applyLineSettings(const LineSettings& settings) override;
    // ser2net drives the far line's modem lines itself.
    void setRequestToSend(bool) override {}

    qint64 bytesAvailable() const override;
    qint64 bytesToWrite() const override { return m_socket.bytesToWrite(); }
    QByteArray readAll() override;
    void write(const QByteArray& data) override;

private:
    void onConnected();
    void onReadyRead();
    void onError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void finishOpening();
    void fail(int errorNumber, const QString& why);
    void send(const QByteArray& bytes);
    QString described(const QString& what) const;

    PortAddress m_address;
    QTcpSocket m_socket;
    QTimer m_openTimeout;
    std::optional<TelnetCodec> m_telnet;
    LineSettings m_settings;
    QByteArray m_received; // data already freed of Telnet commands
    bool m_opening = false;
    bool m_open = false;
};
