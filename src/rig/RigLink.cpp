#include "RigLink.h"

#include "FarEnd.h"

#include <QTcpSocket>

#include <algorithm>
#include <cmath>

namespace {

// rigctld echoes the long name of the command it answers: "\set_level RFPOWER 0.5" comes back as
// "set_level: RFPOWER 0.5". Empty for anything that is not one line of a long-form command.
QByteArray echoedName(const QByteArray& command)
{
    if (!command.startsWith('\\') || command.contains('\n') || command.contains('\r'))
        return {};
    const qsizetype blank = command.indexOf(' ');
    const QByteArray name = command.mid(1, blank < 0 ? -1 : blank - 1);
    for (char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return {};
    }
    return name;
}

bool isUnkey(const QByteArray& command)
{
    return command == "\\set_ptt 0";
}

bool isKeyUp(const QByteArray& command)
{
    return command.startsWith("\\set_ptt ") && !isUnkey(command);
}

RigReply notAnswered(const QByteArray& name)
{
    RigReply reply;
    reply.command = name;
    return reply;
}

} // namespace

RigLink::RigLink(QObject* parent)
    : RigChannel(parent)
    , m_socket(new QTcpSocket(this))
{
    m_retryTimer.setSingleShot(true);
    m_replyTimer.setSingleShot(true);
    m_connectTimer.setSingleShot(true);
    // A flooding daemon waits in the kernel, not in our memory, and is read a slice per pass of the
    // event loop, so the window keeps answering between slices.
    m_socket->setReadBufferSize(ReadSliceBytes);
    m_readMore.setSingleShot(true);
    m_readMore.setInterval(0);
    connect(&m_readMore, &QTimer::timeout, this, &RigLink::readReplies);
    connect(&m_retryTimer, &QTimer::timeout, this, &RigLink::connectNow);
    connect(&m_pollTimer, &QTimer::timeout, this, &RigLink::poll);
    m_replyTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_replyTimer, &QTimer::timeout, this, &RigLink::replyLate);
    connect(&m_connectTimer, &QTimer::timeout, this,
            [this] { lost(QStringLiteral("%1 port %2 did not answer").arg(m_host).arg(m_port)); });
    connect(m_socket, &QTcpSocket::connected, this, &RigLink::connected);
    connect(m_socket, &QTcpSocket::readyRead, this, &RigLink::readReplies);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] { lost(m_socket->errorString()); });
    connect(m_socket, &QTcpSocket::disconnected, this,
            [this] { lost(QStringLiteral("rigctld closed the connection")); });
}

RigLink::~RigLink()
{
    // Nothing is answered any more: the callers may be going away too.
    m_socket->disconnect(this);
    m_state = State::Stopped;
}

void RigLink::start(const QString& host, quint16 port, int pollMs)
{
    stop();
    m_host = host;
    m_port = port;
    m_pollTimer.setInterval(pollMs);
    m_retryDelayMs = FirstRetryMs;
    connectNow();
}

void RigLink::stop()
{
    if (m_state == State::Stopped)
        return;
    m_state = State::Stopped;
    m_problem.clear();
    tearDown();
    emit stateChanged(m_state);
}

void RigLink::connectNow()
{
    setState(State::Connecting);
    m_connectTimer.start(ConnectTimeoutMs);
    m_socket->connectToHost(m_host, m_port);
}

void RigLink::connected()
{
    m_connectTimer.stop();
    m_problem.clear();
    // Requests are a few bytes each and wait for their answer: Nagle's delay would only add latency.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    noticeVanishedFarEnd(*m_socket);
    setState(State::Connected);
    m_pollTimer.start();
    poll();
}

void RigLink::lost(const QString& reason, bool retryAtOnce)
{
    // Aborting the socket reports the loss once more; the first report is the one that counts.
    if (m_state == State::Stopped || m_state == State::WaitingToRetry)
        return;
    m_state = State::WaitingToRetry;
    m_problem = reason;
    tearDown();
    // A daemon that is away costs one connection attempt per delay, the delay growing to its ceiling.
    m_retryTimer.start(retryAtOnce ? 0 : m_retryDelayMs);
    m_retryDelayMs = std::min(2 * m_retryDelayMs, RetryCeilingMs);
    emit stateChanged(m_state);
}

void RigLink::tearDown()
{
    m_pollTimer.stop();
    m_replyTimer.stop();
    m_connectTimer.stop();
    m_retryTimer.stop();
    m_readMore.stop();
    m_socket->abort();
    m_parser.reset();
    if (m_frequencyHz != 0) {
        m_frequencyHz = 0;
        emit frequencyChanged(0);
    }
    if (!m_mode.isEmpty()) {
        m_mode.clear();
        emit modeChanged(m_mode);
    }
    // Answered after the link has settled, so a handler that asks again meets a link in a known state.
    if (m_inFlight)
        answerLater(*std::exchange(m_inFlight, std::nullopt));
    while (!m_waiting.isEmpty())
        answerLater(m_waiting.dequeue());
}

void RigLink::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void RigLink::request(const QByteArray& command, QObject* context, ReplyHandler handler)
{
    Request request{command, echoedName(command), context, std::move(handler)};
    if (request.name.isEmpty())
        qWarning("rigctld command refused, not one line of a long-form command: %s", command.constData());
    if (m_state != State::Connected || request.name.isEmpty()) {
        answerLater(std::move(request));
        return;
    }
    // An unkey does not wait long behind a reply that is late.
    if (m_inFlight && isUnkey(request.command) && m_replyTimer.remainingTime() > UnkeyWaitsMs)
        m_replyTimer.start(UnkeyWaitsMs);
    m_waiting.enqueue(std::move(request));
    sendNext();
}

void RigLink::sendBeforeExit(const QList<QByteArray>& commands, int waitMs)
{
    if (m_state != State::Connected)
        return;
    for (const QByteArray& command : commands)
        m_socket->write('+' + command + '\n');
    m_socket->flush();
    m_socket->waitForBytesWritten(waitMs);
}

bool RigLink::pollPending() const
{
    return (m_inFlight && m_inFlight->poll) ||
           std::any_of(m_waiting.cbegin(), m_waiting.cend(), [](const Request& request) { return request.poll; });
}

void RigLink::answerLater(Request request)
{
    QMetaObject::invokeMethod(
        this,
        [request = std::move(request)] {
            if (request.context)
                request.handler(notAnswered(request.name));
        },
        Qt::QueuedConnection);
}

void RigLink::sendNext()
{
    if (m_state != State::Connected || m_inFlight || m_waiting.isEmpty())
        return;
    m_inFlight = m_waiting.dequeue();
    if (isKeyUp(m_inFlight->command))
        m_transmitting = true;
    const bool unkeyWaiting = std::any_of(m_waiting.cbegin(), m_waiting.cend(),
                                          [](const Request& request) { return isUnkey(request.command); });
    m_replyTimer.start(unkeyWaiting ? UnkeyWaitsMs : (m_transmitting ? LateOnAirMs : ReplyTimeoutMs));
    if (!writeWithinBound(*m_socket, '+' + m_inFlight->command + '\n'))
        lost(farEndNotReadingReason());
}

void RigLink::readReplies()
{
    const QList<RigReply> replies = m_parser.feed(m_socket->read(ReadSliceBytes));
    if (m_socket->bytesAvailable() > 0)
        m_readMore.start();
    for (const RigReply& reply : replies) {
        // A handler may have stopped the link; what is left belongs to a connection that is gone.
        if (m_state != State::Connected)
            return;
        takeReply(reply);
    }
}

void RigLink::takeReply(const RigReply& reply)
{
    if (!m_inFlight || reply.command != m_inFlight->name) {
        m_unexpectedLines += reply.toWire().count('\n');
        return;
    }
    m_replyTimer.stop();
    // The daemon answers: the next loss starts again from the shortest delay.
    m_retryDelayMs = FirstRetryMs;
    if (!reply.succeeded())
        ++m_failedReplies;
    else if (isUnkey(m_inFlight->command))
        m_transmitting = false;
    const Request done = *std::exchange(m_inFlight, std::nullopt);
    if (done.context)
        done.handler(reply);
    sendNext();
}

void RigLink::replyLate()
{
    ++m_timeouts;
    if (m_transmitting)
        lost(QStringLiteral("rigctld did not answer while the radio transmits"), true);
    else
        lost(QStringLiteral("rigctld did not answer within %1 s").arg(ReplyTimeoutMs / 1000));
}

void RigLink::poll()
{
    // A slow radio is not asked again before it has answered.
    if (m_state != State::Connected || pollPending())
        return;
    m_waiting.enqueue({"\\get_freq", "get_freq", this, [this](const RigReply& reply) { takeFrequency(reply); }, true});
    m_waiting.enqueue({"\\get_mode", "get_mode", this, [this](const RigReply& reply) { takeMode(reply); }, true});
    sendNext();
}

void RigLink::takeFrequency(const RigReply& reply)
{
    if (!reply.succeeded())
        return;
    bool number = false;
    const double hertz = reply.value("Frequency").value_or(QByteArray()).toDouble(&number);
    // Hamlib's frequencies are whole hertz below a few hundred GHz.
    if (!number || !std::isfinite(hertz) || hertz <= 0 || hertz >= 1e12) {
        m_unexpectedLines += reply.lines.size();
        return;
    }
    const qint64 rounded = std::llround(hertz);
    if (rounded != m_frequencyHz) {
        m_frequencyHz = rounded;
        emit frequencyChanged(rounded);
    }
}

void RigLink::takeMode(const RigReply& reply)
{
    if (!reply.succeeded())
        return;
    const QString mode = QString::fromLatin1(reply.value("Mode").value_or(QByteArray())).left(32);
    if (mode != m_mode) {
        m_mode = mode;
        emit modeChanged(mode);
    }
}
