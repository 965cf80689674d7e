#include "Guard.h"

#include "FarEnd.h"

#include <cstdio>

Guard::Guard(QString host, quint16 port, QObject* parent)
    : QObject(parent)
    , m_host(std::move(host))
    , m_port(port)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(RetryMs);
    m_replyTimeout.setSingleShot(true);
    m_replyTimeout.setInterval(ReplyTimeoutMs);
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::PreciseTimer);
    m_lastWords.setSingleShot(true);
    m_lastWords.setInterval(LastWordsMs);
    m_probe.setInterval(ProbeEveryMs);
    connect(&m_retry, &QTimer::timeout, this, &Guard::connectNow);
    connect(&m_probe, &QTimer::timeout, this, [this] {
        if (m_awaited.isEmpty())
            send("\\get_ptt");
    });
    connect(&m_replyTimeout, &QTimer::timeout, this, &Guard::dropConnection);
    connect(&m_deadline, &QTimer::timeout, this, [this] { unkey("the deadline of the key-up passed"); });
    connect(&m_lastWords, &QTimer::timeout, this, [this] {
        std::fprintf(stderr, "veltrano-guard: rigctld at %s:%u did not take the unkey within %d s\n",
                     qPrintable(m_host), unsigned(m_port), LastWordsMs / 1000);
        emit finished(1);
    });
    connect(&m_socket, &QTcpSocket::connected, this, &Guard::connected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &Guard::readReplies);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &Guard::dropConnection);
}

void Guard::start()
{
    emit status(guard::Ready);
    connectNow();
}

void Guard::connectNow()
{
    m_socket.abort();
    m_socket.connectToHost(m_host, m_port);
    // A host that does not answer at all is tried again like one that refuses.
    m_replyTimeout.start();
}

void Guard::connected()
{
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    noticeVanishedFarEnd(m_socket);
    m_replyTimeout.stop();
    sendOwed();
    send("\\get_ptt");
    m_probe.start();
}

void Guard::dropConnection()
{
    if (m_retry.isActive())
        return;
    if (m_confirmed)
        emit status(guard::Lost);
    m_confirmed = false;
    m_probe.stop();
    m_replyTimeout.stop();
    m_awaited.clear();
    m_parser.reset();
    m_socket.abort();
    m_retry.start();
}

void Guard::send(const QByteArray& command)
{
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    if (!writeWithinBound(m_socket, '+' + command + '\n')) {
        dropConnection();
        return;
    }
    m_awaited.enqueue(command);
    if (!m_replyTimeout.isActive())
        m_replyTimeout.start();
}

void Guard::readReplies()
{
    for (const RigReply& reply : m_parser.feed(m_socket.readAll())) {
        if (m_awaited.isEmpty())
            continue;
        const QByteArray command = m_awaited.dequeue();
        m_replyTimeout.stop();
        if (!m_awaited.isEmpty())
            m_replyTimeout.start();
        if (!m_confirmed) {
            m_confirmed = true;
            emit status(guard::Connected);
        }
        if (!m_owed.isEmpty() && m_owed.first() == command) {
            m_owed.removeFirst();
            std::fprintf(stderr, "veltrano-guard: %s: RPRT %d\n", command.constData(), reply.status);
            finishWhenDone();
        }
    }
}

void Guard::takeLine(const QByteArray& line)
{
    if (line == guard::OffAirLine) {
        m_onAir.reset();
        m_deadline.stop();
        return;
    }
    const std::optional<guard::OnAir> onAir = guard::parseOnAir(line);
    if (!onAir) {
        std::fprintf(stderr, "veltrano-guard: line not understood: %s\n", line.left(80).constData());
        emit status(QByteArray(guard::Error) + " line not understood");
        return;
    }
    // The program is in charge again: what was owed from before is its own business now.
    m_owed.clear();
    m_onAir = onAir->restore;
    m_deadline.start(onAir->untilDeadline);
}

void Guard::endOfInput()
{
    m_ending = true;
    if (m_onAir)
        unkey("the program is gone while the radio is on the air");
    else
        finishWhenDone();
}

void Guard::unkey(const char* why)
{
    if (!m_onAir)
        return;
    std::fprintf(stderr, "veltrano-guard: %s: unkeying the radio and giving it its settings back\n", why);
    m_owed = guard::unkeyAndRestoreCommands(*m_onAir);
    m_onAir.reset();
    m_deadline.stop();
    sendOwed();
    if (m_ending)
        m_lastWords.start();
}

void Guard::sendOwed()
{
    // Answers to commands sent before on this connection come first; ours are recognised by name.
    for (const QByteArray& command : QList<QByteArray>(m_owed))
        send(command);
}

void Guard::finishWhenDone()
{
    if (m_ending && m_owed.isEmpty())
        emit finished(0);
}
