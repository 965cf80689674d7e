#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>

#include <atomic>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A peer on a loopback port that, once connected to, sends its opening bytes and then the same bytes
// over and over, as fast as the kernel takes them, and never reads a byte. It writes from a thread of
// its own with plain blocking sockets, so nothing it does waits in the test's event loop or memory.
class FloodingPeer {
public:
    FloodingPeer(QByteArray opening, QByteArray repeated)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(m_listener, 1) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        QByteArray block;
        while (block.size() < 64 * 1024)
            block += repeated;
        m_thread = std::thread([this, next = opening + block, block]() mutable {
            m_connection = ::accept(m_listener, nullptr, nullptr);
            while (m_connection >= 0 && !m_stop && sendAll(next))
                next = block;
        });
    }
    ~FloodingPeer()
    {
        m_stop = true;
        // Wakes a thread blocked in accept or send.
        ::shutdown(m_listener, SHUT_RDWR);
        if (m_connection >= 0)
            ::shutdown(m_connection, SHUT_RDWR);
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listener);
        if (m_connection >= 0)
            ::close(m_connection);
    }
    Q_DISABLE_COPY_MOVE(FloodingPeer)

    quint16 port() const { return m_port; }
    qint64 bytesSent() const { return m_sent; }

private:
    bool sendAll(const QByteArray& bytes)
    {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t sent =
                ::send(m_connection, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            done += sent;
            m_sent += sent;
        }
        return true;
    }

    int m_listener = -1;
    std::atomic<int> m_connection = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop = false;
    std::atomic<qint64> m_sent = 0;
    std::thread m_thread;
};
