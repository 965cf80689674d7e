#include "LearnPlacement.h"

#include "UsableMemory.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

LearnPlacement::LearnPlacement(const Plan& plan)
    : m_plan(plan)
    , m_step{Step::Kind::Tune, plan.fromKHz, std::nullopt}
{
}

TuningTable LearnPlacement::table() const
{
    QList<UsableMemory> memories;
    for (const Point& point : m_points)
        memories.append({int(memories.size()) + 1, {}, {}, double(point.kHz), point.tenths / 10.0});
    return TuningTable(memories);
}

bool LearnPlacement::takeTuned(int tenths, double reading)
{
    if (m_step.kind != Step::Kind::Tune)
        return false;
    const Point point{m_step.kHz, tenths, reading, m_plan.method};
    m_points.insert(std::lower_bound(m_points.cbegin(), m_points.cend(), point.kHz,
                                     [](const Point& p, double kHz) { return p.kHz < kHz; }),
                    point);
    if (m_tried) {
        // Checks passed on the straight line across the old gap do not vouch for the two new ones.
        const Stretch split = *m_tried;
        m_tried.reset();
        m_unchecked.removeIf(
            [&split](const Stretch& s) { return s.gapLowKHz == split.gapLowKHz && s.gapHighKHz == split.gapHighKHz; });
        openGap(split.gapLowKHz, point.kHz);
        openGap(point.kHz, split.gapHighKHz);
    } else if (m_points.size() == 2) {
        openGap(m_plan.fromKHz, m_plan.toKHz);
    }
    advance();
    return true;
}

bool LearnPlacement::takeChecked(double reading)
{
    if (m_step.kind != Step::Kind::Check)
        return false;
    ++m_checks;
    if (!checkPassed(reading)) {
        ++m_failedChecks;
        m_step.kind = Step::Kind::Tune;
        return true;
    }
    const Stretch passed = *m_tried;
    m_tried.reset();
    const TuningTable learned = table();
    const int middleTenths = *m_step.predictedTenths;
    for (const double end : {passed.lowKHz, passed.highKHz}) {
        if (std::abs(learned.lookup(end)->tenths - middleTenths) > CheckSpacingTenths)
            m_unchecked.append(
                {passed.gapLowKHz, passed.gapHighKHz, std::min(end, m_step.kHz), std::max(end, m_step.kHz)});
    }
    advance();
    return true;
}

bool LearnPlacement::checkPassed(double reading) const
{
    if (m_plan.method == Method::Swr)
        return reading <= m_plan.maxSwr;
    const double peaks = (pointAt(m_tried->gapLowKHz).reading + pointAt(m_tried->gapHighKHz).reading) / 2;
    return reading >= peaks - NoiseMarginDb;
}

const LearnPlacement::Point& LearnPlacement::pointAt(double kHz) const
{
    return *std::find_if(m_points.cbegin(), m_points.cend(), [kHz](const Point& p) { return p.kHz == kHz; });
}

void LearnPlacement::openGap(double lowKHz, double highKHz)
{
    m_unchecked.append({lowKHz, highKHz, lowKHz, highKHz});
}

void LearnPlacement::advance()
{
    if (m_points.size() == 1) {
        m_step = {Step::Kind::Tune, m_plan.toKHz, m_points.front().tenths};
        return;
    }
    const TuningTable learned = table();
    while (m_points.size() < MostPoints && !m_unchecked.isEmpty()) {
        const auto widest =
            std::max_element(m_unchecked.cbegin(), m_unchecked.cend(), [](const Stretch& a, const Stretch& b) {
                return a.highKHz - a.lowKHz < b.highKHz - b.lowKHz;
            });
        const Stretch stretch = *widest;
        m_unchecked.erase(widest);
        const double middle = std::round((stretch.lowKHz + stretch.highKHz) / 2);
        if (middle <= stretch.lowKHz || middle >= stretch.highKHz ||
            std::abs(learned.lookup(stretch.lowKHz)->tenths - learned.lookup(stretch.highKHz)->tenths) <= 1)
            continue;
        m_tried = stretch;
        m_step = {Step::Kind::Check, middle, learned.lookup(middle)->tenths};
        return;
    }
    m_step = {};
}

int LearnPlacement::pointsForeseen() const
{
    if (m_step.kind == Step::Kind::Done)
        return pointsDone();
    // Each open gap fails its check with the share seen so far (a third before any), and a failed one
    // leaves two gaps: p / (1 - 2p) points more per gap. That has no end once half of them fail, but
    // checks half a degree apart end the splitting: the share counts as at most 0.4, two points more
    // per gap, so the bar does not leap to the most points and back.
    const double failing = std::min(0.4, (m_failedChecks + 1.0) / (m_checks + 3.0));
    const bool tuningAMiddle = m_step.kind == Step::Kind::Tune && m_tried;
    const qsizetype unchecked = m_unchecked.size() + (m_step.kind == Step::Kind::Check ? 1 : 0) +
                                (m_points.size() < 2 ? 1 : 0) + (tuningAMiddle ? 2 : 0);
    const int ends = std::max(0, 2 - pointsDone());
    const double more = std::ceil(unchecked * failing / (1 - 2 * failing)) + (tuningAMiddle ? 1 : 0);
    return std::clamp(pointsDone() + ends + int(more), pointsDone() + 1, MostPoints);
}
