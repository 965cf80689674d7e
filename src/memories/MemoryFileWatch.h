#pragma once

#include "MemoryStore.h"
#include "UsableMemory.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// The memory file as a reader outside the editor sees it: the usable memories, read again only when
// the file has changed since, whoever changed it. The editor's own connection is left alone.
class MemoryFileWatch final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void setFile(const QString& filePath);
    // Reads the file again when it has changed; a file that cannot be read just now (locked by a
    // writer) is tried again next time, and what was read before stays meanwhile.
    void refresh();
    const QList<UsableMemory>& memories() const { return m_memories; }
    // Every memory whose angle is a number, usable or not.
    const QList<StoredMemory>& storedMemories() const { return m_stored; }
    // Why the last read failed; empty after a read that worked.
    QString problem() const { return m_problem; }

signals:
    // memories() holds what the file holds now.
    void changed();

private:
    QString m_filePath;
    std::optional<QByteArray> m_stamp; // of the file the memories were read from
    QList<StoredMemory> m_stored;
    QList<UsableMemory> m_memories;
    QString m_problem;
};
