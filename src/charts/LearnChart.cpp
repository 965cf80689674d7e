#include "LearnChart.h"

#include "ChartLook.h"

#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>

LearnChart::LearnChart(QWidget* parent)
    : SmallChart(QStringLiteral("Learned points"), QStringLiteral("kHz"), QStringLiteral("%.0f"), parent)
{
    m_up->setTitleText(QStringLiteral("degrees"));
    m_line->setName(QStringLiteral("Learned curve"));
    m_dots->setName(QStringLiteral("Learned points"));
    setDotsAreLearned(true);
    showPoints();
}

void LearnChart::setBand(double lowKHz, double highKHz)
{
    m_lowKHz = std::min(lowKHz, highKHz);
    m_highKHz = std::max(lowKHz, highKHz);
    m_points.clear();
    showPoints();
}

void LearnChart::addPoint(double kHz, double degrees, double reading)
{
    m_points.append({kHz, degrees, reading});
    showPoints();
}

void LearnChart::clear()
{
    m_points.clear();
    showPoints();
}

void LearnChart::showPoints()
{
    QList<QPointF> dots;
    for (const LearnedPoint& point : m_points)
        dots.append({point.kHz, point.degrees});
    m_dots->replace(dots);
    std::sort(dots.begin(), dots.end(), [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    m_line->replace(dots);
    // The band stays the width of the chart, and a point found outside it widens it.
    const QRectF bounds = boundsOf(dots);
    const double low = dots.isEmpty() ? m_lowKHz : std::min(m_lowKHz, bounds.left());
    const double high = dots.isEmpty() ? m_highKHz : std::max(m_highKHz, bounds.right());
    m_across->setLabelFormat(high - low >= 20 ? QStringLiteral("%.0f") : QStringLiteral("%.1f"));
    // The band's own edges, not rounder numbers beyond them.
    m_across->setRange(low, high > low ? high : low + 1);
    m_across->setTickCount(AcrossTicks);
    if (dots.isEmpty())
        m_up->setRange(0, 180);
    else
        setRangeWithMargin(*m_up, bounds.top(), bounds.bottom(), 0.1, 0.5);
    setAccessibleDescription(learnDescription(m_lowKHz, m_highKHz, m_points));
}
