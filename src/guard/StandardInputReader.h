#pragma once

#include <QByteArray>
#include <QThread>

// Reads standard input line by line on a thread of its own, so the same blocking read serves a pipe
// on Linux and on Windows, where pipes cannot be watched by the event loop.
class StandardInputReader final : public QThread {
    Q_OBJECT
signals:
    void lineRead(const QByteArray& line);
    // End of input: whoever held the other end of the pipe is gone.
    void closed();

protected:
    void run() override;
};
