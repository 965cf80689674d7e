#include "MemoryFileWatch.h"

#include "MemoryStore.h"

#include <QFile>
#include <QFileInfo>

namespace {

// What tells one state of the memory file from the next: its time and size, and SQLite's file change
// counter, which every committed change raises even within one tick of the clock.
QByteArray fileStamp(const QString& filePath)
{
    const QFileInfo info(filePath);
    QFile file(filePath);
    const QByteArray header = file.open(QIODevice::ReadOnly) ? file.read(28).mid(24) : QByteArray();
    return QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + ' ' + QByteArray::number(info.size()) + ' ' +
           header.toHex();
}

} // namespace

void MemoryFileWatch::setFile(const QString& filePath)
{
    m_filePath = filePath;
    m_stamp.reset();
}

void MemoryFileWatch::refresh()
{
    if (m_filePath.isEmpty())
        return;
    const QByteArray stamp = fileStamp(m_filePath);
    if (stamp == m_stamp)
        return;
    auto memories = MemoryStore::readWithAngles(m_filePath, &m_problem);
    if (!memories)
        return;
    m_stored = std::move(*memories);
    m_memories = usableMemories(m_stored);
    m_problem.clear();
    m_stamp = stamp;
    emit changed();
}
