#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

// One reply of rigctld's extended protocol ("+\get_freq"): the echo of the command, its lines, and the
// closing "RPRT n". For example
//     get_freq:
//     Frequency: 7050000
//     RPRT 0
// Commands that answer with a bare value ("get_level: SWR" then "1.500000") keep it as a line too.
struct RigReply {
    // A reply that never came: the link dropped, timed out or was stopped first.
    static constexpr int NotAnswered = -1000;

    QByteArray command;   // the name the daemon echoed ("get_freq"); empty when it echoed none
    QByteArray arguments; // what followed the name on the echo line ("RFPOWER 0.5")
    QList<QByteArray> lines;
    int status = NotAnswered; // RPRT n: 0 done, a negative Hamlib error code otherwise

    bool succeeded() const { return status == 0; }
    // The value of a "Key: value" line ("Frequency" gives "7050000").
    std::optional<QByteArray> value(QByteArrayView key) const;
    // The reply as the daemon writes it, each line ended by a line feed.
    QByteArray toWire() const;

    friend bool operator==(const RigReply&, const RigReply&) = default;
};

// Splits what arrives from rigctld into replies. Bytes come in pieces of any size: a reply may be
// split anywhere or arrive with the next one. Anything that is not part of a reply (garbage, a line
// too long, a reply that never closes properly) is dropped and counted, never kept in memory for long.
class RigReplyParser final {
public:
    // rigctld's longest ordinary line is far shorter; this bounds what a confused peer can make us hold.
    static constexpr qsizetype LongestLine = 1024;
    static constexpr qsizetype MostLines = 64;

    // The replies these bytes completed, in order.
    QList<RigReply> feed(QByteArrayView bytes);
    // Forgets a half line or half reply (the connection went away); true when something was dropped.
    bool reset();
    // Lines dropped so far, half lines at a reset included.
    qsizetype ignoredLines() const { return m_ignoredLines; }

private:
    void takeLine(QByteArrayView line, QList<RigReply>& completed);
    void dropReply();

    QByteArray m_partialLine;
    bool m_skippingLongLine = false;
    std::optional<RigReply> m_reply; // a reply whose echo has come and whose RPRT has not
    qsizetype m_ignoredLines = 0;
};
