#include "PtyPair.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&m_board, &m_keepSlave, name, nullptr, nullptr) != 0)
        return;
    termios raw{};
    tcgetattr(m_keepSlave, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_keepSlave, TCSANOW, &raw);
    fcntl(m_board, F_SETFL, fcntl(m_board, F_GETFL) | O_NONBLOCK);
    m_devicePath = QString::fromLocal8Bit(name);
}

QByteArray PtyPair::readFromProgram(qsizetype minimumBytes, std::chrono::milliseconds timeout)
{
    QByteArray received;
    QDeadlineTimer deadline(timeout);
    while (m_board >= 0) {
        char buffer[4096];
        const ssize_t count = ::read(m_board, buffer, sizeof buffer);
        if (count > 0) {
            received.append(buffer, count);
            continue;
        }
        if (received.size() >= minimumBytes || deadline.hasExpired())
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return received;
}

QByteArray PtyPair::drain(std::chrono::milliseconds settle)
{
    QCoreApplication::processEvents();
    return readFromProgram(qsizetype(1) << 30, settle);
}

void PtyPair::writeToProgram(const QByteArray& bytes)
{
    qsizetype written = 0;
    while (m_board >= 0 && written < bytes.size()) {
        const ssize_t count = ::write(m_board, bytes.constData() + written, size_t(bytes.size() - written));
        if (count > 0) {
            written += count;
        } else if (errno == EAGAIN) {
            // The line's buffer is full until the program reads.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        } else {
            break;
        }
    }
}

void PtyPair::closeBoardEnd()
{
    for (int* end : {&m_board, &m_keepSlave}) {
        if (*end >= 0)
            ::close(std::exchange(*end, -1));
    }
}

int PtyPair::lineSpeed() const
{
    termios attributes{};
    if (m_keepSlave < 0 || tcgetattr(m_keepSlave, &attributes) != 0)
        return -1;
    for (const auto& [code, speed] :
         {std::pair<speed_t, int>{B9600, 9600}, {B19200, 19200}, {B57600, 57600}, {B115200, 115200}})
        if (cfgetospeed(&attributes) == code)
            return speed;
    return int(cfgetospeed(&attributes));
}
