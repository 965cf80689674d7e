#include "FileReplacement.h"

#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

std::optional<QString> replaceFile(const QString& path, const QByteArray& contents)
{
    QSaveFile file(path);
    // Unbuffered: QSaveFile renames even when the flush inside commit() failed, and a buffered write
    // cut short loses the system's reason. A write cut short is tried again for the rest, which then
    // fails with the reason. A file not committed is removed with its temporary.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    for (qsizetype written = 0; written < contents.size();) {
        const qint64 step = file.write(contents.constData() + written, contents.size() - written);
        if (step <= 0)
            return file.errorString();
        written += step;
    }
#ifdef Q_OS_UNIX
    // Some file systems report a lack of space only when the data goes to the disk.
    if (::fsync(file.handle()) != 0 && errno != EINVAL)
        return QString::fromLocal8Bit(std::strerror(errno));
#endif
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}
