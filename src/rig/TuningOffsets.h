#pragma once

#include <QHash>
#include <QString>

#include <optional>

class TuningTable;

// What following adds to the memories' angle on each band while the loop has drifted. A loop's
// resonance moves with the sun and the wind the same way across a band, so one tune run anywhere on a
// band tells how far off the memories are on all of it: the run's angle less the memories' angle at
// its frequency. The memories stay as they are; the offset holds until the next run on the band
// replaces it, and is dropped once older than the drift time. Times are milliseconds of one clock
// (since the epoch, say), passed in.
class TuningOffsets final {
public:
    // A run that finds the loop further off than this has not found drift but memories that no
    // longer fit (or another resonance): it teaches nothing.
    static constexpr int LargestTenths = 10;

    struct Offset {
        int tenths = 0;
        qint64 taughtMs = 0;

        friend bool operator==(const Offset&, const Offset&) = default;
    };

    enum class Teaching { Taught, TooLarge, NoMemories };

    explicit TuningOffsets(int driftHours);

    // A TUNE or PEAK run on this band at kHz ended with the servo at tunedTenths.
    Teaching teach(const QString& band, const TuningTable& memories, double kHz, int tunedTenths, qint64 nowMs);
    // The band's memories were learned again: they hold no drift.
    void forget(const QString& band) { m_offsets.remove(band); }
    // The band's offset still in force now; nothing when none was taught or it is too old.
    std::optional<Offset> offset(const QString& band, qint64 nowMs) const;
    // The angle following sends on the band at kHz: the memories' one with the offset added.
    std::optional<int> followedTenths(const QString& band, const TuningTable& memories, double kHz, qint64 nowMs) const;

private:
    qint64 m_driftMs;
    QHash<QString, Offset> m_offsets;
};
