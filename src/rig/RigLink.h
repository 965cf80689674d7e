#pragma once

#include "RigChannel.h"
#include "RigReply.h"

#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QString>
#include <QTimer>

#include <functional>

class QTcpSocket;

// A client of Hamlib's rigctld: it keeps the radio's frequency and mode up to date by polling, and
// carries any other command a caller queues. One request is on the wire at a time (rigctld answers in
// order and says nothing about which request a reply belongs to), the rest wait in a queue. Nothing
// blocks: a daemon that is away is tried again after a delay that grows to RetryCeilingMs, and a
// daemon that stops answering is dropped and tried again the same way, at once while the radio may be
// transmitting.
class RigLink final : public RigChannel {
    Q_OBJECT
public:
    static constexpr int FirstRetryMs = 100;
    static constexpr int RetryCeilingMs = 2000;
    // A radio behind rigctld may take its own retries (Hamlib's default is about a second each)
    // before the daemon answers with an error.
    static constexpr int ReplyTimeoutMs = 5000;
    // While the radio may be transmitting, a reply this late drops the connection, and one waited for
    // by an unkey this much longer: the unkey goes out over a fresh connection at once, rather than
    // after the usual timeout.
    static constexpr int LateOnAirMs = 1000;
    static constexpr int UnkeyWaitsMs = 250;
    static constexpr int ConnectTimeoutMs = 3000;
    // What one pass of the event loop parses at most.
    static constexpr qint64 ReadSliceBytes = 16 * 1024;

    explicit RigLink(QObject* parent = nullptr);
    ~RigLink() override;
    Q_DISABLE_COPY_MOVE(RigLink)

    // Connects (again, when running) and polls frequency and mode every pollMs.
    void start(const QString& host, quint16 port, int pollMs);
    // Disconnects; waiting requests are answered as not answered.
    void stop();

    State state() const override { return m_state; }
    bool isRunning() const { return m_state != State::Stopped; }
    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    // The last the radio reported; 0 and empty while not known (not connected yet, or lost).
    qint64 frequencyHz() const override { return m_frequencyHz; }
    QString mode() const { return m_mode; }
    // Why the last connection failed or dropped; empty while connected.
    QString problem() const { return m_problem; }

    // Also not answered when the link times out or stops first. Commands queued while not connected are
    // answered at once as not answered: a command that went out seconds late (a PTT) would do more harm
    // than one that did not go out. Dropped, not answered, when the link itself is destroyed.
    void request(const QByteArray& command, QObject* context, ReplyHandler handler) override;
    // Waits up to waitMs for the commands to leave.
    void sendBeforeExit(const QList<QByteArray>& commands, int waitMs) override;

    // What went wrong along the way, for the curious and for tests: lines that were no reply or a
    // reply to nothing we asked, replies with a negative RPRT, requests that were never answered.
    qsizetype ignoredLines() const { return m_parser.ignoredLines() + m_unexpectedLines; }
    int failedReplies() const { return m_failedReplies; }
    int timeouts() const { return m_timeouts; }

signals:
    // Empty when the reading is lost with the connection.
    void modeChanged(const QString& mode);

private:
    struct Request {
        QByteArray command;
        QByteArray name; // what the daemon echoes for it
        QPointer<QObject> context;
        ReplyHandler handler;
        bool poll = false;
    };

    void connectNow();
    void connected();
    void lost(const QString& reason, bool retryAtOnce = false);
    void tearDown();
    void setState(State state);
    void sendNext();
    void readReplies();
    void takeReply(const RigReply& reply);
    void answerLater(Request request);
    void poll();
    void replyLate();
    bool pollPending() const;
    void takeFrequency(const RigReply& reply);
    void takeMode(const RigReply& reply);

    QTcpSocket* m_socket = nullptr;
    RigReplyParser m_parser;
    QString m_host;
    quint16 m_port = 0;
    State m_state = State::Stopped;
    QString m_problem;
    int m_retryDelayMs = FirstRetryMs;
    QTimer m_retryTimer;
    QTimer m_pollTimer;
    QTimer m_replyTimer;
    QTimer m_connectTimer;
    QTimer m_readMore;
    QQueue<Request> m_waiting;
    std::optional<Request> m_inFlight;
    qint64 m_frequencyHz = 0;
    QString m_mode;
    qsizetype m_unexpectedLines = 0;
    int m_failedReplies = 0;
    int m_timeouts = 0;
    // From a key-up sent until an unkey is answered.
    bool m_transmitting = false;
};
