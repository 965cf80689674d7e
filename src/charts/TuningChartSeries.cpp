#include "TuningChartSeries.h"

#include "MemoryStore.h"
#include "NumberText.h"
#include "TuningTable.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

QString degreesText(double degrees)
{
    return angleText(int(std::lround(degrees * 10)));
}

QString rangeText(const QString& lowest, const QString& highest, const QString& unit)
{
    return lowest == highest ? QStringLiteral("%1 %2").arg(lowest, unit)
                             : QStringLiteral("%1 to %2 %3").arg(lowest, highest, unit);
}

QString counted(qsizetype count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QString::fromLatin1(count == 1 ? one : many));
}

} // namespace

std::optional<RadioMarker> radioMarker(qint64 hertz, std::optional<double> sentDegrees)
{
    if (hertz <= 0)
        return std::nullopt;
    return RadioMarker{double(hertz) / 1000, sentDegrees};
}

QStringList bandsWithMemories(const QList<StoredMemory>& memories)
{
    QHash<QString, double> lowest;
    for (const StoredMemory& memory : memories) {
        if (const auto kHz = memoryKilohertz(memory.frequency); kHz && !memory.band.isEmpty())
            lowest[memory.band] = lowest.contains(memory.band) ? std::min(lowest[memory.band], *kHz) : *kHz;
    }
    QStringList bands = lowest.keys();
    std::sort(bands.begin(), bands.end(), [&](const QString& a, const QString& b) {
        return lowest[a] != lowest[b] ? lowest[a] < lowest[b] : a < b;
    });
    return bands;
}

QString bandName(const QString& band)
{
    bool metres = false;
    band.toInt(&metres);
    return metres ? band + QStringLiteral(" m") : band;
}

bool isLearnedNote(const QString& note)
{
    return note.trimmed().startsWith(QLatin1String("learned "), Qt::CaseInsensitive);
}

TuningChartSeries::TuningChartSeries(const QList<StoredMemory>& memories, const QString& band, double outlierDegrees)
    : m_band(band)
{
    for (const StoredMemory& memory : memories) {
        const auto kHz = memoryKilohertz(memory.frequency);
        if (memory.band == band && kHz && std::isfinite(memory.degrees))
            m_points.append({memory.number,
                             memory.mode,
                             *kHz,
                             memory.degrees,
                             memory.valid,
                             isLearnedNote(memory.note),
                             {},
                             false});
    }
    if (m_points.isEmpty())
        return;
    std::sort(m_points.begin(), m_points.end(), [](const ChartPoint& a, const ChartPoint& b) {
        return a.kHz != b.kHz ? a.kHz < b.kHz : a.number < b.number;
    });
    const auto [lowest, highest] =
        std::minmax_element(m_points.cbegin(), m_points.cend(),
                            [](const ChartPoint& a, const ChartPoint& b) { return a.degrees < b.degrees; });
    m_lowestKHz = m_points.constFirst().kHz;
    m_highestKHz = m_points.constLast().kHz;
    m_lowestDegrees = lowest->degrees;
    m_highestDegrees = highest->degrees;
    const QList<UsableMemory> usable = usableMemories(memories);
    judge(usable, outlierDegrees);
    sampleCurve(usable);
}

// Each valid memory of the band against the table of its neighbours: the memories at its own frequency
// and at the nearest frequency on each side, which alone decide a lookup there. One memory at a wrong
// angle bends the curve its neighbours are judged against, so the worst one is set aside first and its
// neighbours judged again without it, until no memory is farther off than the bound.
void TuningChartSeries::judge(const QList<UsableMemory>& usable, double outlierDegrees)
{
    QList<UsableMemory> valid;
    std::copy_if(usable.cbegin(), usable.cend(), std::back_inserter(valid),
                 [this](const UsableMemory& memory) { return memory.band == m_band; });
    std::sort(valid.begin(), valid.end(), [](const UsableMemory& a, const UsableMemory& b) { return a.kHz < b.kHz; });
    const qsizetype count = valid.size();
    std::vector<bool> standing(size_t(count), true); // still a neighbour of the others
    // The first and last memory of the group at one frequency.
    const auto groupStart = [&](qsizetype at) {
        while (at > 0 && valid[at - 1].kHz == valid[at].kHz)
            --at;
        return at;
    };
    const auto groupEnd = [&](qsizetype at) {
        while (at + 1 < count && valid[at + 1].kHz == valid[at].kHz)
            ++at;
        return at;
    };
    // The nearest memory still standing at another frequency below or above; -1 or count when none.
    const auto standingBelow = [&](qsizetype at) {
        qsizetype below = groupStart(at) - 1;
        while (below >= 0 && !standing[size_t(below)])
            --below;
        return below;
    };
    const auto standingAbove = [&](qsizetype at) {
        qsizetype above = groupEnd(at) + 1;
        while (above < count && !standing[size_t(above)])
            ++above;
        return above;
    };
    const auto offCurveOf = [&](qsizetype at) -> std::optional<double> {
        QList<UsableMemory> others;
        const auto addStanding = [&](qsizetype from, qsizetype to) {
            for (qsizetype other = from; other <= to; ++other) {
                if (other != at && standing[size_t(other)])
                    others.append(valid[other]);
            }
        };
        addStanding(groupStart(at), groupEnd(at));
        const bool sameFrequency = !others.isEmpty();
        const qsizetype below = standingBelow(at), above = standingAbove(at);
        if (!sameFrequency && (below < 0 || above >= count))
            return std::nullopt; // an end of the band: nothing vouches for a curve beyond it
        if (below >= 0)
            addStanding(groupStart(below), below);
        if (above < count)
            addStanding(above, groupEnd(above));
        return valid[at].degrees - TuningTable(others).lookup(valid[at].kHz)->tenths / 10.0;
    };

    std::vector<std::optional<double>> offCurve(static_cast<size_t>(count));
    for (qsizetype at = 0; at < count; ++at)
        offCurve[size_t(at)] = offCurveOf(at);
    std::vector<bool> outlier(size_t(count), false);
    for (;;) {
        qsizetype worst = -1;
        for (qsizetype at = 0; at < count; ++at) {
            const auto& off = offCurve[size_t(at)];
            if (standing[size_t(at)] && off && std::abs(*off) > outlierDegrees &&
                (worst < 0 || std::abs(*off) > std::abs(*offCurve[size_t(worst)])))
                worst = at;
        }
        if (worst < 0)
            break;
        standing[size_t(worst)] = false;
        outlier[size_t(worst)] = true;
        // Those that had it as a neighbour: its own frequency's and the nearest standing ones either side.
        const qsizetype below = standingBelow(worst), above = standingAbove(worst);
        const qsizetype from = below >= 0 ? groupStart(below) : groupStart(worst);
        const qsizetype to = above < count ? groupEnd(above) : groupEnd(worst);
        for (qsizetype at = from; at <= to; ++at) {
            if (standing[size_t(at)])
                offCurve[size_t(at)] = offCurveOf(at);
        }
    }
    QHash<int, qsizetype> byNumber;
    for (qsizetype at = 0; at < count; ++at)
        byNumber.insert(valid[at].number, at);
    for (ChartPoint& point : m_points) {
        const auto at = byNumber.constFind(point.number);
        if (!point.valid || at == byNumber.cend())
            continue;
        point.offCurve = offCurve[size_t(*at)];
        point.outlier = outlier[size_t(*at)];
    }
}

// Following's table holds every usable memory whatever its band, so the curve is sampled from that.
void TuningChartSeries::sampleCurve(const QList<UsableMemory>& usable)
{
    const TuningTable table(usable);
    QList<double> samples;
    for (int sample = 0; sample <= CurveSamples; ++sample)
        samples.append(m_lowestKHz + (m_highestKHz - m_lowestKHz) * sample / CurveSamples);
    for (const UsableMemory& memory : usable) {
        if (memory.kHz > m_lowestKHz && memory.kHz < m_highestKHz)
            samples.append(memory.kHz);
    }
    std::sort(samples.begin(), samples.end());
    samples.erase(std::unique(samples.begin(), samples.end()), samples.end());
    for (double kHz : samples) {
        if (const auto tuning = table.lookup(kHz))
            m_curve.append({kHz, tuning->tenths / 10.0});
    }
}

QString TuningChartSeries::description(const std::optional<RadioMarker>& radio) const
{
    const QString name = bandName(m_band);
    if (m_points.isEmpty())
        return name.isEmpty() ? QStringLiteral("No memories to chart.") : name + QStringLiteral(": no memories.");
    QString text =
        QStringLiteral("%1: %2 %3 %4, %5")
            .arg(name, counted(m_points.size(), "memory", "memories"),
                 m_lowestKHz == m_highestKHz ? QStringLiteral("at") : QStringLiteral("from"),
                 rangeText(plainDecimal(m_lowestKHz), plainDecimal(m_highestKHz), QStringLiteral("kHz")),
                 rangeText(degreesText(m_lowestDegrees), degreesText(m_highestDegrees), QStringLiteral("degrees")));
    const auto invalid =
        std::count_if(m_points.cbegin(), m_points.cend(), [](const ChartPoint& p) { return !p.valid; });
    const auto learned =
        std::count_if(m_points.cbegin(), m_points.cend(), [](const ChartPoint& p) { return p.learned; });
    if (invalid > 0)
        text += QStringLiteral(", %1 not valid").arg(invalid);
    if (learned > 0)
        text += QStringLiteral(", %1 learned").arg(learned);
    // A few named are worth hearing; a band full of them is heard as a count.
    constexpr int NamedOutliers = 5;
    int outliers = 0;
    for (const ChartPoint& point : m_points) {
        if (point.outlier && ++outliers <= NamedOutliers)
            text += QStringLiteral("; memory %1 at %2 kHz is %3 degrees off the curve")
                        .arg(point.number)
                        .arg(plainDecimal(point.kHz), degreesText(std::abs(*point.offCurve)));
    }
    if (outliers > NamedOutliers)
        text += QStringLiteral("; %1 more off the curve").arg(outliers - NamedOutliers);
    if (radio) {
        text += QStringLiteral("; radio at %1 kHz").arg(plainDecimal(radio->kHz));
        if (radio->kHz < m_lowestKHz || radio->kHz > m_highestKHz)
            text += QStringLiteral(", outside this band's memories");
        if (radio->degrees)
            text += QStringLiteral(", %1 degrees").arg(degreesText(*radio->degrees));
    }
    return text;
}
