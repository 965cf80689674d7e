#include "PeakSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>

namespace {

// Where the places of each flank lie, in half widths from the centre. The curve is steepest in dB at
// one half width, but a servo whose shaft stands off the commanded angle by a wave bends the flanks
// unlike each other the farther out they lie, which moves the fitted centre off the angle the servo
// needs by tenths, as much as the loop tolerates; within a half width the readings tell the centre
// as well and the wave hardly moves it.
constexpr double FlankOffsets[] = {0.3, 0.6, 0.9};
// A step on which the readings changed less than this is on a flat stretch: the next one is longer.
constexpr double SmallChangeDb = 1.0;

int sideIndex(int side)
{
    return side > 0 ? 1 : 0;
}

double mean(std::span<const double> values)
{
    return std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

// How far the squared misfit of a resonance curve with this centre and half width is from the
// readings; the curve's height is the one that fits best, in closed form.
double misfit(const std::vector<PeakSearch::Reading>& readings, double centre, double halfWidth)
{
    double sum = 0;
    double sumOfSquares = 0;
    for (const PeakSearch::Reading& reading : readings) {
        const double u = (reading.tenths - centre) / halfWidth;
        const double lifted = reading.db + 10 * std::log10(1 + u * u);
        sum += lifted;
        sumOfSquares += lifted * lifted;
    }
    return sumOfSquares - sum * sum / double(readings.size());
}

} // namespace

PeakSearch::PeakSearch(int startTenths, int lowestTenths, int highestTenths, Precision precision)
    : m_start(std::clamp(startTenths, lowestTenths, std::max(lowestTenths, highestTenths)))
    , m_lowest(lowestTenths)
    , m_highest(std::max(lowestTenths, highestTenths))
    , m_precision(precision)
{
}

PeakSearch::Move PeakSearch::start()
{
    m_phase = Phase::Start;
    return moveTo(m_start, CoarseReadings);
}

PeakSearch::Move PeakSearch::moveTo(int tenths, int readings)
{
    m_position = std::clamp(tenths, m_lowest, m_highest);
    m_asked = readings;
    ++m_moves;
    return {m_position, readings};
}

std::optional<PeakSearch::Move> PeakSearch::fail(Result why)
{
    m_result = why;
    m_phase = Phase::Done;
    return std::nullopt;
}

std::optional<PeakSearch::Move> PeakSearch::next(std::span<const double> readings)
{
    if (m_phase == Phase::Done)
        return std::nullopt;
    if (m_asked > 0 && readings.empty())
        return fail(Result::NoLevel);
    m_readings += int(readings.size());
    if (std::any_of(readings.begin(), readings.end(), [](double db) { return db > StrongestNoiseDb; }))
        return fail(Result::TooStrong);
    switch (m_phase) {
    case Phase::Start:
    case Phase::Walk: {
        const double here = mean(readings);
        if (m_phase == Phase::Walk && std::abs(here - m_means.at(m_walkFrom)) < SmallChangeDb)
            m_step[sideIndex(m_lastSide)] = std::min(2 * m_step[sideIndex(m_lastSide)], WidestStep);
        m_means[m_position] = here;
        for (double db : readings)
            m_walkReadings.push_back({m_position, db});
        m_phase = Phase::Walk;
        return walk();
    }
    case Phase::TakeUp: m_phase = Phase::Flank; return moveTo(m_flankPlaces[m_nextFlank], FlankReadings);
    case Phase::Flank:
        for (double db : readings)
            m_flankReadings.push_back({m_position, db});
        return flankStep();
    case Phase::Return: m_phase = Phase::Confirm; return moveTo(m_peakTenths, 1);
    case Phase::Confirm:
        m_peakDb = mean(readings);
        m_result = Result::Peaked;
        m_phase = Phase::Done;
        return std::nullopt;
    case Phase::Done: break;
    }
    return std::nullopt;
}

int PeakSearch::bestPosition() const
{
    return std::max_element(m_means.begin(), m_means.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}

// Some place on that side of the best reads clearly lower than the best.
bool PeakSearch::fallenOn(int side) const
{
    const int best = bestPosition();
    const double floor = m_means.at(best) - ClearFallDb;
    return std::any_of(m_means.begin(), m_means.end(),
                       [&](const auto& place) { return side * (place.first - best) > 0 && place.second <= floor; });
}

std::optional<PeakSearch::Move> PeakSearch::walk()
{
    const int best = bestPosition();
    m_peakDb = m_means.at(best);
    const bool fallen[2] = {fallenOn(-1), fallenOn(1)};
    if (fallen[0] && fallen[1])
        return walkEnded();
    // The next place out on a side, past the outermost read there; nothing when the limits or the
    // search's reach are behind it.
    const auto nextOn = [&](int side) -> std::optional<int> {
        const int outer = side > 0 ? std::max(best, m_means.rbegin()->first) : std::min(best, m_means.begin()->first);
        const int reach = std::clamp(m_start + side * FarthestProbe, m_lowest, m_highest);
        if (side * (outer - reach) >= 0)
            return std::nullopt;
        const int to = outer + side * m_step[sideIndex(side)];
        return side > 0 ? std::min(to, reach) : std::max(to, reach);
    };
    const std::optional<int> candidates[2] = {fallen[0] ? std::nullopt : nextOn(-1),
                                              fallen[1] ? std::nullopt : nextOn(1)};
    if (!candidates[0] && !candidates[1])
        return fail(fallen[0] || fallen[1] ? Result::BeyondReach : Result::Flat);
    // Climb while the best is the outermost place on a side; else look on each side in turn.
    int side = -m_lastSide;
    const bool edge[2] = {best == m_means.begin()->first, best == m_means.rbegin()->first};
    if (edge[0] != edge[1])
        side = edge[1] ? 1 : -1;
    if (!candidates[sideIndex(side)])
        side = -side;
    m_lastSide = side;
    m_walkFrom = side > 0 ? std::max(best, m_means.rbegin()->first) : std::min(best, m_means.begin()->first);
    return moveTo(*candidates[sideIndex(side)], CoarseReadings);
}

// The noise has fallen on both sides: the curve through the walk's readings puts the centre roughly.
std::optional<PeakSearch::Move> PeakSearch::walkEnded()
{
    const std::optional<Curve> rough = fit(m_walkReadings);
    const Curve curve = rough ? *rough : Curve{double(bestPosition()), double(CoarseStep)};
    if (m_precision == Precision::Coarse)
        return approach(int(std::lround(curve.centreTenths)));
    return beginFlanks(curve);
}

std::optional<PeakSearch::Move> PeakSearch::beginFlanks(const Curve& rough)
{
    m_roughWidth = rough.halfWidthTenths;
    m_roughCentre = rough.centreTenths;
    const int centre = std::clamp(int(std::lround(rough.centreTenths)), m_lowest, m_highest);
    m_flankPlaces.clear();
    int offset = 0;
    for (double halfWidths : FlankOffsets) {
        // Distinct places even on a loop whose top is a tenth or two wide.
        offset = std::max(offset + 1, int(std::lround(halfWidths * rough.halfWidthTenths)));
        for (int side : {-1, 1}) {
            const int place = std::clamp(centre + side * offset, m_lowest, m_highest);
            if (std::find(m_flankPlaces.begin(), m_flankPlaces.end(), place) == m_flankPlaces.end())
                m_flankPlaces.push_back(place);
        }
    }
    std::sort(m_flankPlaces.begin(), m_flankPlaces.end());
    return readFlanksAgain();
}

// From below the lowest place, upward through all of them.
std::optional<PeakSearch::Move> PeakSearch::readFlanksAgain()
{
    m_nextFlank = 0;
    const int takeUp = std::max(m_lowest, m_flankPlaces.front() - BacklashTakeUp);
    m_phase = takeUp == m_flankPlaces.front() ? Phase::Flank : Phase::TakeUp;
    return moveTo(takeUp, m_phase == Phase::Flank ? FlankReadings : 0);
}

std::optional<PeakSearch::Move> PeakSearch::flankStep()
{
    if (++m_nextFlank < m_flankPlaces.size())
        return moveTo(m_flankPlaces[m_nextFlank], FlankReadings);
    const std::optional<Curve> curve = fit(m_flankReadings);
    if (!curve)
        return approach(int(std::lround(m_roughCentre)));
    // The walk misjudged the top: the flanks read lay too near its middle or off to one side. Once
    // more, around what these readings say.
    const bool misplaced = curve->halfWidthTenths > 1.6 * m_roughWidth ||
                           std::abs(curve->centreTenths - m_roughCentre) > 0.5 * std::max(m_roughWidth, 1.0) ||
                           curve->centreTenths < m_flankPlaces.front() + 1 ||
                           curve->centreTenths > m_flankPlaces.back() - 1;
    if (misplaced && !m_widened) {
        m_widened = true;
        return beginFlanks(*curve);
    }
    const double sure = std::max(SureCentreTenths, SureCentreOfWidth * curve->halfWidthTenths);
    if (curve->centreErrorTenths > sure && !m_readAgain) {
        m_readAgain = true;
        return readFlanksAgain();
    }
    return approach(int(std::lround(curve->centreTenths)));
}

// The final place, from below as every flank reading was taken.
std::optional<PeakSearch::Move> PeakSearch::approach(int tenths)
{
    m_peakTenths = std::clamp(tenths, m_lowest, m_highest);
    const int takeUp = std::max(m_lowest, m_peakTenths - BacklashTakeUp);
    m_phase = takeUp == m_peakTenths ? Phase::Confirm : Phase::Return;
    return moveTo(takeUp, m_phase == Phase::Confirm ? 1 : 0);
}

std::optional<PeakSearch::Curve> PeakSearch::fit(const std::vector<Reading>& readings)
{
    if (readings.empty())
        return std::nullopt;
    const auto [lowest, highest] = std::minmax_element(
        readings.begin(), readings.end(), [](const Reading& a, const Reading& b) { return a.tenths < b.tenths; });
    const double low = lowest->tenths;
    const double high = highest->tenths;
    std::vector<int> places;
    for (const Reading& reading : readings) {
        if (std::find(places.begin(), places.end(), reading.tenths) == places.end())
            places.push_back(reading.tenths);
    }
    if (places.size() < 3)
        return std::nullopt;

    // A coarse grid of centres and widths, then a fine one around its best.
    Curve best;
    double bestMisfit = std::numeric_limits<double>::infinity();
    const auto tryCurve = [&](double centre, double halfWidth) {
        const double here = misfit(readings, centre, halfWidth);
        if (here < bestMisfit) {
            bestMisfit = here;
            best = {centre, halfWidth};
        }
    };
    const double narrowest = 0.3;
    const double widest = std::max(3.0, 2 * (high - low));
    constexpr int Widths = 48;
    const double ratio = std::pow(widest / narrowest, 1.0 / (Widths - 1));
    for (double centre = low; centre <= high; centre += 0.5) {
        for (int i = 0; i < Widths; ++i)
            tryCurve(centre, narrowest * std::pow(ratio, i));
    }
    const Curve coarse = best;
    for (double centre = std::max(low, coarse.centreTenths - 0.5); centre <= std::min(high, coarse.centreTenths + 0.5);
         centre += 0.02) {
        for (int i = -10; i <= 10; ++i)
            tryCurve(centre, coarse.halfWidthTenths * std::pow(ratio, i / 10.0));
    }
    // How much the reading at each place tells of the centre: the curve's slope in dB there.
    double information = 0;
    for (const Reading& reading : readings) {
        const double u = (reading.tenths - best.centreTenths) / best.halfWidthTenths;
        const double slope = 20 / std::numbers::ln10 * u / (1 + u * u) / best.halfWidthTenths;
        information += slope * slope;
    }
    const double scatter = std::sqrt(bestMisfit / double(std::max<std::size_t>(1, readings.size() - 3)));
    // Whole-dB readings without jitter scatter by the rounding alone.
    const double rounding = 1 / std::sqrt(12.0);
    best.centreErrorTenths = information > 0 ? std::max(scatter, rounding) / std::sqrt(information)
                                             : std::numeric_limits<double>::infinity();
    return best;
}
