#pragma once

#include <QProcess>

#include <csignal>
#include <sys/resource.h>

// Writes that fail as on a full disk, without mount rights: with the file size limit lowered (and the
// signal that would kill the writer ignored), a write past the limit fails as one past the disk's end.
inline void limitFileSizes(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

// For as long as it lives, this process cannot make a file longer than 16 bytes.
class FullDisk {
public:
    FullDisk()
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        limitFileSizes(16);
    }
    ~FullDisk() { setrlimit(RLIMIT_FSIZE, &m_before); }
    Q_DISABLE_COPY_MOVE(FullDisk)

private:
    rlimit m_before{};
};

// The process started by it cannot make a file longer than the given size.
inline void limitFileSizesOf(QProcess& process, qint64 bytes)
{
    process.setChildProcessModifier([bytes] { limitFileSizes(rlim_t(bytes)); });
}
