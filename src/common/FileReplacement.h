#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Replaces the file at path with contents, all or nothing: the new bytes go to a temporary file beside
// it, which is renamed over the old one only once every byte has been written, flushed and synced. A
// full disk may show only at the flush, so each step is checked; on any failure the old file keeps
// every byte (or stays absent) and the reason comes back, as the system words it.
std::optional<QString> replaceFile(const QString& path, const QByteArray& contents);
