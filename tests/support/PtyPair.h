#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// A pseudo-terminal standing in for the board: the program opens the slave path as its serial port,
// the test reads and writes the board's end.
class PtyPair {
public:
    PtyPair();
    ~PtyPair() { closeBoardEnd(); }
    Q_DISABLE_COPY_MOVE(PtyPair)

    bool isValid() const { return m_board >= 0; }
    QString devicePath() const { return m_devicePath; }

    // Everything the program wrote, waiting up to timeout for at least minimumBytes while
    // letting the Qt event loop run.
    QByteArray readFromProgram(qsizetype minimumBytes = 1,
                               std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
    // What the program wrote so far, without waiting beyond a short settle time.
    QByteArray drain(std::chrono::milliseconds settle = std::chrono::milliseconds(50));
    void writeToProgram(const QByteArray& bytes);
    // The board's end goes away, as when the USB cable is pulled.
    void closeBoardEnd();
    // Baud rate the program set on the line, as the terminal driver reports it.
    int lineSpeed() const;
    // The board end itself, for code that waits on it without the event loop.
    int boardFd() const { return m_board; }

private:
    int m_board = -1;
    int m_keepSlave = -1; // keeps the slave side alive between the program's opens
    QString m_devicePath;
};
