#include "FarEnd.h"

#include <QAbstractSocket>

#ifdef _WIN32
#include <mstcpip.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace {

// Silent for 5 s, then a probe a second: three unanswered probes drop the connection.
constexpr int IdleSeconds = 5;
constexpr int ProbeIntervalSeconds = 1;
constexpr int UnansweredProbes = 3;

} // namespace

void noticeVanishedFarEnd(QAbstractSocket& socket)
{
    const qintptr descriptor = socket.socketDescriptor();
    if (descriptor == -1)
        return;
#ifdef _WIN32
    const auto handle = SOCKET(descriptor);
    tcp_keepalive values{1, ULONG(IdleSeconds * 1000), ULONG(ProbeIntervalSeconds * 1000)};
    DWORD returned = 0;
    WSAIoctl(handle, SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0, &returned, nullptr, nullptr);
#ifdef TCP_KEEPCNT
    // Windows 10 1703 and later take the count; older ones send their fixed ten probes.
    const DWORD probes = UnansweredProbes;
    setsockopt(handle, IPPROTO_TCP, TCP_KEEPCNT, reinterpret_cast<const char*>(&probes), sizeof probes);
#endif
#else
    const int fd = int(descriptor);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
#ifdef TCP_KEEPIDLE
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &IdleSeconds, sizeof IdleSeconds);
#elif defined(TCP_KEEPALIVE)
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPALIVE, &IdleSeconds, sizeof IdleSeconds);
#endif
#ifdef TCP_KEEPINTVL
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &ProbeIntervalSeconds, sizeof ProbeIntervalSeconds);
#endif
#ifdef TCP_KEEPCNT
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &UnansweredProbes, sizeof UnansweredProbes);
#endif
#ifdef TCP_USER_TIMEOUT
    // Keepalive stays quiet while something we sent is unacknowledged; this bounds that case too.
    const unsigned int unacknowledgedMs = (IdleSeconds + ProbeIntervalSeconds * UnansweredProbes) * 1000;
    setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unacknowledgedMs, sizeof unacknowledgedMs);
#endif
#endif
}

bool writeWithinBound(QAbstractSocket& socket, const QByteArray& bytes)
{
    socket.write(bytes);
    socket.flush();
    return socket.bytesToWrite() <= MostBytesWaitingToBeWritten;
}

QString farEndNotReadingReason()
{
    return QStringLiteral("the far end reads nothing we send (over %1 KiB waiting)")
        .arg(MostBytesWaitingToBeWritten / 1024);
}
