#pragma once

#include "GuardProtocol.h"
#include "RigReply.h"

#include <QObject>
#include <QQueue>
#include <QTcpSocket>
#include <QTimer>

// The guard's side: its own connection to rigctld, kept up by itself, and the radio unkeyed and
// given its settings back when the program goes while the radio is on the air or when the deadline
// of a key-up passes, whatever the program is doing by then.
class Guard final : public QObject {
    Q_OBJECT
public:
    static constexpr int RetryMs = 500;
    static constexpr int ProbeEveryMs = 2000;
    // rigctld that has not answered by then is taken as gone and connected to again.
    static constexpr int ReplyTimeoutMs = 3000;
    // The most the guard waits, once the program is gone, for a rigctld that is away.
    static constexpr int LastWordsMs = 10000;

    Guard(QString host, quint16 port, QObject* parent = nullptr);

    void start();
    // One line from the program, without its line end.
    void takeLine(const QByteArray& line);
    // The program's pipe closed: the program is gone.
    void endOfInput();

signals:
    // A line for the program: READY, CONNECTED, LOST, ERROR ...
    void status(const QByteArray& line);
    void finished(int exitCode);

private:
    void connectNow();
    void connected();
    void dropConnection();
    void readReplies();
    void send(const QByteArray& command);
    void unkey(const char* why);
    void sendOwed();
    void finishWhenDone();

    QString m_host;
    quint16 m_port;
    QTcpSocket m_socket;
    QTimer m_retry;
    QTimer m_probe;
    QTimer m_replyTimeout;
    QTimer m_deadline;
    QTimer m_lastWords;
    QQueue<QByteArray> m_awaited; // commands sent, in order, their answers not in yet
    RigReplyParser m_parser;
    std::optional<guard::RadioSettings> m_onAir;
    // Unkey and restore commands not yet answered; sent again over a new connection if this one goes.
    QList<QByteArray> m_owed;
    bool m_confirmed = false; // rigctld answered on this connection
    bool m_ending = false;
};
