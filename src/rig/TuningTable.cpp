#include "TuningTable.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

int toTenths(double degrees)
{
    return int(std::lround(degrees * 10));
}

double inverseSquare(double kHz)
{
    return 1 / (kHz * kHz);
}

} // namespace

TuningTable::TuningTable(const QList<UsableMemory>& memories)
{
    for (const UsableMemory& memory : memories) {
        // The bound keeps an angle's tenths within an int.
        if (memory.kHz > 0 && std::abs(memory.degrees) <= 1e6)
            m_points.append(memory);
    }
    std::sort(m_points.begin(), m_points.end(), [](const TuningPoint& a, const TuningPoint& b) {
        return a.kHz != b.kHz ? a.kHz < b.kHz : a.number > b.number;
    });
    // The highest number of each frequency came first.
    m_points.erase(std::unique(m_points.begin(), m_points.end(),
                               [](const TuningPoint& a, const TuningPoint& b) { return a.kHz == b.kHz; }),
                   m_points.end());
}

std::optional<Tuning> TuningTable::lookup(double kHz) const
{
    if (m_points.isEmpty() || !std::isfinite(kHz) || kHz <= 0)
        return std::nullopt;
    const auto above = std::lower_bound(m_points.cbegin(), m_points.cend(), kHz,
                                        [](const TuningPoint& point, double f) { return point.kHz < f; });
    if (above == m_points.cend())
        return Tuning{toTenths(m_points.back().degrees), m_points.back(), m_points.back()};
    if (above->kHz == kHz || above == m_points.cbegin())
        return Tuning{toTenths(above->degrees), *above, *above};
    const TuningPoint& below = *std::prev(above);
    const double share =
        (inverseSquare(kHz) - inverseSquare(below.kHz)) / (inverseSquare(above->kHz) - inverseSquare(below.kHz));
    return Tuning{toTenths(below.degrees + share * (above->degrees - below.degrees)), below, *above};
}

QString angleText(int tenths)
{
    const QString whole = QString::number(std::abs(tenths) / 10);
    const QString sign = tenths < 0 ? QStringLiteral("-") : QString();
    return tenths % 10 == 0 ? sign + whole : sign + whole + u'.' + QString::number(std::abs(tenths) % 10);
}
