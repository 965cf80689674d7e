#include "RunChart.h"

#include "ChartLook.h"

#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>

namespace {

QPointF pointOf(const RunReading& reading)
{
    return {reading.tenths / 10.0, reading.value};
}

} // namespace

RunChart::RunChart(QWidget* parent)
    : SmallChart(QStringLiteral("Run chart"), QStringLiteral("degrees"), QStringLiteral("%.1f"), parent)
    , m_final(new QLineSeries(m_chart))
{
    m_line->setName(QStringLiteral("Readings by angle"));
    m_dots->setName(QStringLiteral("Readings"));
    m_final->setName(QStringLiteral("Final angle"));
    addSeries(m_final);
    restyle();
    setRun(RunKind::Swr, {}, std::nullopt);
}

void RunChart::setRun(RunKind kind, const QList<RunReading>& readings, std::optional<int> finalTenths)
{
    m_up->setTitleText(readingName(kind));
    m_up->setLabelFormat(kind == RunKind::Swr ? QStringLiteral("%.2f") : QStringLiteral("%.0f"));
    QList<QPointF> all, line;
    std::transform(readings.cbegin(), readings.cend(), std::back_inserter(all), pointOf);
    const QList<RunReading> byAngle = readingsByAngle(readings);
    std::transform(byAngle.cbegin(), byAngle.cend(), std::back_inserter(line), pointOf);
    m_dots->replace(all);
    m_line->replace(line);

    // The final angle stays on the chart; without readings the axes show a range of their own.
    const QRectF bounds = boundsOf(all);
    double lowestAngle = all.isEmpty() ? 90 : bounds.left(), highestAngle = all.isEmpty() ? 90 : bounds.right();
    if (finalTenths) {
        const double finalDegrees = *finalTenths / 10.0;
        lowestAngle = all.isEmpty() ? finalDegrees : std::min(lowestAngle, finalDegrees);
        highestAngle = all.isEmpty() ? finalDegrees : std::max(highestAngle, finalDegrees);
    }
    const double lowestValue = all.isEmpty() ? (kind == RunKind::Swr ? 1 : -40) : bounds.top();
    const double highestValue = all.isEmpty() ? (kind == RunKind::Swr ? 2 : -10) : bounds.bottom();
    setRangeWithMargin(*m_across, lowestAngle, highestAngle, 0.05, 0.5, AcrossTicks);
    setRangeWithMargin(*m_up, lowestValue, highestValue, 0.1, kind == RunKind::Swr ? 0.05 : 1);
    if (finalTenths)
        showVerticalLine(*m_final, *finalTenths / 10.0, *m_up);
    else
        m_final->clear();
    setAccessibleDescription(runDescription(kind, readings, finalTenths));
}

void RunChart::restyle()
{
    SmallChart::restyle();
    m_final->setPen(QPen(chartColours(palette()).marker, 1.5, Qt::DashLine));
}
