#include "ChartLook.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLineSeries>
#include <QPalette>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

QColor mixed(const QColor& a, const QColor& b, double shareOfB)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * shareOfB),
                            float(a.greenF() + (b.greenF() - a.greenF()) * shareOfB),
                            float(a.blueF() + (b.blueF() - a.blueF()) * shareOfB));
}

} // namespace

bool isDarkPalette(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

ChartColours chartColours(const QPalette& palette)
{
    const bool dark = isDarkPalette(palette);
    const QColor text = palette.color(QPalette::WindowText);
    const QColor base = palette.color(QPalette::Base);
    ChartColours colours;
    colours.background = palette.color(QPalette::Window);
    colours.plotArea = base;
    colours.text = text;
    colours.grid = mixed(base, palette.color(QPalette::Text), 0.18);
    colours.curve = palette.color(QPalette::Highlight);
    colours.point = palette.color(QPalette::Text);
    colours.second = dark ? QColor(80, 200, 120) : QColor(0, 130, 60);
    colours.muted = mixed(base, palette.color(QPalette::Text), 0.4);
    colours.warning = dark ? QColor(255, 150, 40) : QColor(220, 90, 0);
    colours.marker = dark ? QColor(255, 90, 110) : QColor(200, 0, 40);
    return colours;
}

void styleChart(QChart& chart, const QPalette& palette)
{
    chart.setTheme(isDarkPalette(palette) ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    const ChartColours colours = chartColours(palette);
    const QFont font = QApplication::font();
    chart.setBackgroundBrush(colours.background);
    chart.setBackgroundRoundness(0);
    chart.setPlotAreaBackgroundBrush(colours.plotArea);
    chart.setPlotAreaBackgroundVisible(true);
    chart.setTitleBrush(colours.text);
    chart.setTitleFont(font);
    chart.legend()->setLabelColor(colours.text);
    chart.legend()->setFont(font);
    for (QAbstractAxis* axis : chart.axes()) {
        axis->setLabelsColor(colours.text);
        axis->setLabelsFont(font);
        axis->setTitleBrush(colours.text);
        axis->setTitleFont(font);
        axis->setGridLineColor(colours.grid);
        axis->setLinePenColor(colours.muted);
    }
}

QValueAxis* addValueAxis(QChart& chart, Qt::Alignment side, const QString& title, const QString& labelFormat)
{
    auto* axis = new QValueAxis(&chart);
    axis->setTitleText(title);
    axis->setLabelFormat(labelFormat);
    chart.addAxis(axis, side);
    return axis;
}

void setRangeWithMargin(QValueAxis& axis, double lowest, double highest, double share, double minimumMargin, int ticks)
{
    const double margin = std::max((highest - lowest) * share, minimumMargin);
    const double low = lowest - margin, high = highest + margin;
    if (!(high > low) || !std::isfinite(high - low))
        return;
    // The smallest step of 1, 2 or 5 times a power of ten that labels the range with no more ticks.
    double step = std::pow(10.0, std::floor(std::log10((high - low) / std::max(1, ticks - 1))));
    for (int factor = 0;; factor = (factor + 1) % 3) {
        const double tried = step * (factor == 0 ? 1 : factor == 1 ? 2 : 5);
        if (std::ceil(high / tried) - std::floor(low / tried) + 1 <= ticks) {
            step = tried;
            break;
        }
        if (factor == 2)
            step *= 10;
    }
    const double first = std::floor(low / step) * step, last = std::ceil(high / step) * step;
    axis.setRange(first, last);
    axis.setTickCount(int(std::lround((last - first) / step)) + 1);
}

QRectF boundsOf(const QList<QPointF>& points)
{
    if (points.isEmpty())
        return {};
    const auto [left, right] = std::minmax_element(points.cbegin(), points.cend(),
                                                   [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    const auto [low, high] = std::minmax_element(points.cbegin(), points.cend(),
                                                 [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
    return QRectF(QPointF(left->x(), low->y()), QPointF(right->x(), high->y()));
}

void showVerticalLine(QLineSeries& line, double x, const QValueAxis& vertical)
{
    line.replace(QList<QPointF>{{x, vertical.min()}, {x, vertical.max()}});
}

void giveChart(QChartView& view, QChart* chart)
{
    QChart* const empty = view.chart();
    view.setChart(chart);
    delete empty;
}
