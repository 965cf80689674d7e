#include "SwrSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>

SwrSearch::SwrSearch(int startTenths, int lowestTenths, int highestTenths, From from)
    : m_start(std::clamp(startTenths, lowestTenths, std::max(lowestTenths, highestTenths)))
    , m_lowest(lowestTenths)
    , m_highest(std::max(lowestTenths, highestTenths))
    , m_from(from)
{
}

SwrSearch::Move SwrSearch::start()
{
    m_phase = Phase::Start;
    m_bestTenths = m_start;
    if (m_from == From::NearDip) {
        m_bestSwr = std::numeric_limits<double>::infinity();
        const int low = std::max(m_lowest, m_start - NearSpan);
        const int takeUp = std::max(m_lowest, low - BacklashTakeUp);
        m_phase = takeUp == low ? Phase::NearLow : Phase::NearTakeUp;
        return moveTo(takeUp, m_phase == Phase::NearLow);
    }
    return moveTo(m_start, true);
}

SwrSearch::Move SwrSearch::moveTo(int tenths, bool measure)
{
    m_position = std::clamp(tenths, m_lowest, m_highest);
    return {m_position, measure};
}

std::optional<SwrSearch::Move> SwrSearch::next(std::optional<double> swr)
{
    if (swr)
        ++m_readings;
    switch (m_phase) {
    case Phase::Start:
        m_bestSwr = swr.value_or(std::numeric_limits<double>::infinity());
        m_coarseReadings[m_position] = m_bestSwr;
        m_phase = Phase::Probe;
        return probe(m_bestSwr);
    case Phase::Probe: return probe(swr.value_or(m_bestSwr));
    case Phase::Walk: return walk(swr.value_or(m_bestSwr));
    case Phase::TakeUp: m_phase = Phase::Scan; return moveTo(m_scanLow, true);
    case Phase::Scan: return scanStep(swr.value_or(m_bestSwr));
    case Phase::Return: m_phase = Phase::Confirm; return moveTo(m_bestTenths, true);
    case Phase::Confirm:
        m_bestSwr = swr.value_or(m_bestSwr);
        m_phase = Phase::Done;
        return std::nullopt;
    case Phase::NearTakeUp: m_phase = Phase::NearLow; return moveTo(std::max(m_lowest, m_start - NearSpan), true);
    case Phase::NearReturn: m_phase = Phase::NearCheck; return moveTo(m_bestTenths, true);
    case Phase::NearLow:
    case Phase::NearHigh:
    case Phase::NearCheck: return nearStep(swr.value_or(m_bestSwr));
    case Phase::Done: break;
    }
    return std::nullopt;
}

void SwrSearch::keepBest(double swr)
{
    m_coarseReadings[m_position] = swr;
    if (swr < m_bestSwr) {
        m_bestSwr = swr;
        m_bestTenths = m_position;
    }
}

std::optional<SwrSearch::Move> SwrSearch::nearStep(double swr)
{
    // The distance from the dip: a loop matched at resonance reflects |x| / sqrt(1 + x^2) of the power's
    // voltage at a detuning x, so x comes back from the reflection exactly, also far out on the flanks.
    const auto detuning = [](double swr) {
        const double reflection = std::clamp((swr - 1) / (swr + 1), 0.0, 0.999);
        return reflection / std::sqrt(1 - reflection * reflection);
    };
    switch (m_phase) {
    case Phase::NearLow:
        keepBest(swr);
        m_phase = Phase::NearHigh;
        return moveTo(std::min(m_highest, m_start + NearSpan), true);
    case Phase::NearHigh: {
        keepBest(swr);
        const auto low = m_coarseReadings.begin();
        const auto high = std::prev(m_coarseReadings.end());
        const double below = detuning(low->second);
        const double above = detuning(high->second);
        const double share = below + above > 0 ? below / (below + above) : 0.5;
        const int dip = low->first + int(std::lround(share * (high->first - low->first)));
        // Back down to it: from below, as the two readings were taken.
        m_bestTenths = dip;
        m_phase = Phase::NearReturn;
        return moveTo(std::max(m_lowest, dip - BacklashTakeUp), false);
    }
    default: {
        // Lower than both sides: the dip is here. Otherwise the readings lied about the sides (the dip
        // lies outside them, or the meter stops), and the search goes on from the best of them.
        const bool lowest = std::all_of(m_coarseReadings.begin(), m_coarseReadings.end(),
                                        [swr](const auto& reading) { return swr < reading.second; });
        m_coarseReadings[m_position] = swr;
        if (lowest) {
            m_bestTenths = m_position;
            m_bestSwr = swr;
            m_phase = Phase::Done;
            return std::nullopt;
        }
        const auto best = std::min_element(m_coarseReadings.begin(), m_coarseReadings.end(),
                                           [](const auto& a, const auto& b) { return a.second < b.second; });
        return beginScan(best->first);
    }
    }
}

std::optional<SwrSearch::Move> SwrSearch::probe(double swr)
{
    if (m_probeDistance > 0) {
        m_coarseReadings[m_position] = swr;
        if (swr < m_bestSwr) {
            m_phase = Phase::Walk;
            return walk(swr);
        }
    }
    // Out to the next side: up first, then down at the same distance, then further out. Once any
    // reading differed from the start's and none was lower, the dip lies within half a degree of it.
    const bool flat = std::all_of(m_coarseReadings.begin(), m_coarseReadings.end(),
                                  [this](const auto& reading) { return reading.second == m_bestSwr; });
    for (;;) {
        if (m_direction <= 0) {
            if (m_probeDistance > 0 && !flat)
                return beginScan(m_start);
            m_probeDistance += CoarseStep;
            m_direction = 1;
        } else {
            m_direction = -1;
        }
        if (m_probeDistance > FarthestProbe)
            return beginScan(m_start);
        const int to = m_start + m_direction * m_probeDistance;
        if (to >= m_lowest && to <= m_highest)
            return moveTo(to, true);
        if (m_start - m_probeDistance < m_lowest && m_start + m_probeDistance > m_highest)
            return beginScan(m_start);
    }
}

// The last step was lower than any before: another one the same way while the limits allow. A step
// that is not lower ends the walk with the dip near the best step.
std::optional<SwrSearch::Move> SwrSearch::walk(double swr)
{
    m_coarseReadings[m_position] = swr;
    if (swr >= m_bestSwr)
        return beginScan(m_bestTenths);
    m_direction = m_position > m_bestTenths ? 1 : -1;
    m_bestTenths = m_position;
    m_bestSwr = swr;
    const int to = std::clamp(m_position + m_direction * CoarseStep, m_lowest, m_highest);
    if (to == m_position)
        return beginScan(m_bestTenths);
    return moveTo(to, true);
}

// Where the dip lies, from the nearest readings either side of the best step: the reflection
// coefficient (SWR - 1) / (SWR + 1) grows in proportion to the distance from the dip, with the same
// slope on both sides. The neighbour on the dip's far side shares a side with the best step and shows
// the true slope; the other one looks flatter. Nothing when the readings do not fit that picture, as
// when the meter has stopped rising on both sides.
std::optional<int> SwrSearch::estimatedDip(int centreTenths) const
{
    const auto centre = m_coarseReadings.find(centreTenths);
    if (centre == m_coarseReadings.end() || centre == m_coarseReadings.begin() ||
        std::next(centre) == m_coarseReadings.end())
        return std::nullopt;
    const auto reflection = [](double swr) { return (swr - 1) / (swr + 1); };
    const auto below = std::prev(centre);
    const auto above = std::next(centre);
    const double here = reflection(centre->second);
    const double slopeBelow = (reflection(below->second) - here) / (centreTenths - below->first);
    const double slopeAbove = (reflection(above->second) - here) / (above->first - centreTenths);
    const bool dipAbove = slopeBelow >= slopeAbove;
    const double slope = std::max(slopeBelow, slopeAbove);
    const double offset = here / slope;
    const int room = dipAbove ? above->first - centreTenths : centreTenths - below->first;
    if (!(slope > 0) || slopeBelow == slopeAbove || offset > room)
        return std::nullopt;
    return centreTenths + int(std::lround(dipAbove ? offset : -offset));
}

std::optional<SwrSearch::Move> SwrSearch::beginScan(int centreTenths)
{
    // Readings taken coming down saw the shaft on the other side of the play: the scan starts afresh,
    // a little below where the dip seems to be, so that it sees the SWR fall and rise again.
    const std::optional<int> dip = estimatedDip(centreTenths);
    m_scanLow = std::max(m_lowest, dip ? std::max(*dip - 3, centreTenths - CoarseStep) : centreTenths - CoarseStep);
    m_scanHigh = std::min(m_highest, centreTenths + CoarseStep);
    m_bestTenths = m_scanLow;
    m_bestSwr = std::numeric_limits<double>::infinity();
    m_risesInRow = 0;
    const int takeUp = std::max(m_lowest, m_scanLow - BacklashTakeUp);
    m_phase = takeUp == m_scanLow ? Phase::Scan : Phase::TakeUp;
    return moveTo(takeUp, m_phase == Phase::Scan);
}

std::optional<SwrSearch::Move> SwrSearch::scanStep(double swr)
{
    // A reading equal to the best is the meter at its end or the play being taken up: no news.
    const bool falling = swr < m_bestSwr;
    if (falling) {
        m_bestTenths = m_position;
        m_bestSwr = swr;
        m_risesInRow = 0;
    } else if (swr > m_bestSwr) {
        ++m_risesInRow;
    }
    // Past the dip the SWR rises tenth after tenth; one higher reading alone may be the meter. While it
    // still falls at the end of the range, the play has moved the dip up: go on.
    const bool pastTheDip = m_risesInRow >= 2 || (!falling && m_position >= m_scanHigh);
    if (!pastTheDip && m_position < m_highest)
        return moveTo(m_position + 1, true);
    // Lowest at the very start of the scan: the dip may lie below it. Look there once.
    if (m_bestTenths == m_scanLow && m_scanLow > m_lowest && !m_rescanned) {
        m_rescanned = true;
        m_coarseReadings.clear();
        return beginScan(m_scanLow - CoarseStep);
    }
    if (m_bestTenths == m_position) {
        m_phase = Phase::Done;
        return std::nullopt;
    }
    m_phase = Phase::Return;
    return moveTo(std::max(m_lowest, m_bestTenths - BacklashTakeUp), false);
}
