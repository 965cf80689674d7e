#pragma once

#include <QString>
#include <QStringList>

// The bands the benchmarks' memories cycle through.
inline const QStringList BenchBands = {"160", "80", "60", "40", "30", "20", "17", "15", "10", "6", "CB", "3-30MHz"};

// Creates a memory file holding memories 1 to count (band cycling through the first bands of BenchBands,
// mode FT8, kHz 1000 + number), written in one transaction: the editor's own adds are one transaction each,
// too slow for a benchmark.
bool fillMemoryFile(const QString& database, int count, qsizetype bands = BenchBands.size());
