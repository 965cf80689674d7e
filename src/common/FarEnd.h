#pragma once

#include <QByteArray>
#include <QString>

class QAbstractSocket;

// What every network link of the program does about a far end that misbehaves without closing:
// one that vanished (its computer lost power, its cable was pulled) and one that stops reading.

// The most bytes that may wait in our process to be written to a peer; beyond that the peer is
// taken as gone, so a peer that never reads cannot make us grow.
constexpr qint64 MostBytesWaitingToBeWritten = 64 * 1024;

// TCP keepalive on a connected socket, so a far end that vanished is noticed within about 8 s
// instead of after the system's two hours. Harmless where the system refuses an option.
void noticeVanishedFarEnd(QAbstractSocket& socket);

// Writes and hands the bytes to the system; false when more than MostBytesWaitingToBeWritten are
// left waiting, the peer not reading what it is sent.
bool writeWithinBound(QAbstractSocket& socket, const QByteArray& bytes);

// Why a link was dropped when writeWithinBound() said no.
QString farEndNotReadingReason();
