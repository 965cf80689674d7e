#pragma once

#include "RigReply.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <functional>

// The way to the radio as a tune run needs it: a command and its one reply, whether the radio can be
// reached, and its frequency. RigLink is the one behind rigctld; a run does not care which it has.
class RigChannel : public QObject {
    Q_OBJECT
public:
    enum class State { Stopped, Connecting, Connected, WaitingToRetry };
    using ReplyHandler = std::function<void(const RigReply&)>;

    using QObject::QObject;

    // Queues a long-form command without the leading '+' or line end ("\\set_level RFPOWER 0.5").
    // handler runs exactly once, later, on this thread: with the radio's reply, or with a reply whose
    // status is RigReply::NotAnswered when the channel drops or is not connected; never when context is
    // gone.
    virtual void request(const QByteArray& command, QObject* context, ReplyHandler handler) = 0;
    // The last words when the program ends: the commands go out at once, ahead of anything queued, and
    // their replies are never read.
    virtual void sendBeforeExit(const QList<QByteArray>& commands, int waitMs) = 0;
    virtual State state() const = 0;
    // The last the radio reported; 0 while not known.
    virtual qint64 frequencyHz() const = 0;

    // Queues the commands together, so nothing else comes between them. each sees every reply as it
    // comes; done runs once all have come, told whether any went unanswered (the link dropped).
    void requestTogether(const QList<QByteArray>& commands, QObject* context,
                         std::function<void(const QByteArray& command, const RigReply& reply)> each,
                         std::function<void(bool unanswered)> done);

signals:
    void stateChanged(RigChannel::State state);
    // 0 when the reading is lost with the connection.
    void frequencyChanged(qint64 hertz);
};
