#include "TuningOffsets.h"

#include "TuningTable.h"

#include <cstdlib>

TuningOffsets::TuningOffsets(int driftHours)
    : m_driftMs(qint64(driftHours) * 3600 * 1000)
{
}

TuningOffsets::Teaching TuningOffsets::teach(const QString& band, const TuningTable& memories, double kHz,
                                             int tunedTenths, qint64 nowMs)
{
    const auto tuning = memories.lookup(kHz);
    if (!tuning)
        return Teaching::NoMemories;
    const int tenths = tunedTenths - tuning->tenths;
    if (std::abs(tenths) > LargestTenths)
        return Teaching::TooLarge;
    m_offsets.insert(band, {tenths, nowMs});
    return Teaching::Taught;
}

std::optional<TuningOffsets::Offset> TuningOffsets::offset(const QString& band, qint64 nowMs) const
{
    const auto found = m_offsets.constFind(band);
    if (found == m_offsets.cend() || nowMs - found->taughtMs > m_driftMs)
        return std::nullopt;
    return *found;
}

std::optional<int> TuningOffsets::followedTenths(const QString& band, const TuningTable& memories, double kHz,
                                                 qint64 nowMs) const
{
    const auto tuning = memories.lookup(kHz);
    if (!tuning)
        return std::nullopt;
    const auto drift = offset(band, nowMs);
    return tuning->tenths + (drift ? drift->tenths : 0);
}
