#pragma once

#include <QHostAddress>
#include <QTcpServer>

// A loopback port nobody listens on at the moment of asking, for a daemon the test starts.
inline quint16 freeLoopbackPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}
