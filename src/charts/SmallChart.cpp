#include "SmallChart.h"

#include "ChartLook.h"

#include <QEvent>
#include <QLegend>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

SmallChart::SmallChart(const QString& accessibleName, const QString& across, const QString& acrossFormat,
                       QWidget* parent)
    : QChartView(parent)
    , m_chart(new QChart)
    , m_line(new QLineSeries(m_chart))
    , m_dots(new QScatterSeries(m_chart))
{
    giveChart(*this, m_chart);
    setRenderHint(QPainter::Antialiasing);
    setAccessibleName(accessibleName);
    m_chart->legend()->hide();
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    m_across = addValueAxis(*m_chart, Qt::AlignBottom, across, acrossFormat);
    m_up = addValueAxis(*m_chart, Qt::AlignLeft, QString(), QStringLiteral("%.1f"));
    m_dots->setMarkerSize(7);
    addSeries(m_line);
    addSeries(m_dots);
}

void SmallChart::addSeries(QAbstractSeries* series)
{
    m_chart->addSeries(series);
    series->attachAxis(m_across);
    series->attachAxis(m_up);
}

void SmallChart::setDotsAreLearned(bool learned)
{
    m_learned = learned;
    restyle();
}

void SmallChart::restyle()
{
    styleChart(*m_chart, palette());
    const ChartColours colours = chartColours(palette());
    const QColor dots = m_learned ? colours.second : colours.point;
    m_line->setPen(QPen(colours.curve, 1.5));
    m_dots->setColor(dots);
    m_dots->setBorderColor(dots);
    setBackgroundBrush(colours.background);
}

void SmallChart::changeEvent(QEvent* event)
{
    QChartView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        restyle();
}
