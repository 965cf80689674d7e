#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// Writes that fail as on a full disk, without mount rights: with the file size limit lowered (and the
// signal that would kill the writer ignored), a write past the limit fails as one past the disk's end.
#ifdef Q_OS_UNIX
inline void limitFileSizes(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

// For as long as it lives, this process cannot make a file longer than the given size.
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes = 16)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        limitFileSizes(bytes);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    rlimit m_before{};
    void (*m_handler)(int) = SIG_DFL;
};

// The process started by it cannot make a file longer than the given size.
inline bool limitFileSizesOf(QProcess& process, qint64 bytes = 16)
{
    process.setChildProcessModifier([bytes] { limitFileSizes(rlim_t(bytes)); });
    return true;
}
#else
inline bool limitFileSizesOf(QProcess&, qint64 = 16)
{
    return false; // no file size limit to lower
}
#endif
