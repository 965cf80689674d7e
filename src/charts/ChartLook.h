#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

class QChart;
class QChartView;
class QLineSeries;
class QPalette;
class QValueAxis;

// The charts take their colours from the desktop's palette, so they read in light and dark alike:
// Qt Charts' light or dark theme by the window colour's lightness, then the palette's own colours on
// the background, the axes, the labels and the legend.
struct ChartColours {
    QColor background;
    QColor plotArea;
    QColor text;
    QColor grid;
    QColor curve;   // the line the program draws through its points
    QColor point;   // points that count
    QColor second;  // points of another kind (learned)
    QColor muted;   // points that do not count
    QColor warning; // points to look at
    QColor marker;  // where the radio or the run is
};

bool isDarkPalette(const QPalette& palette);
ChartColours chartColours(const QPalette& palette);

// Theme, fonts and colours of the chart and its axes from the palette. The theme resets every series'
// colours: colour them after this.
void styleChart(QChart& chart, const QPalette& palette);

// A value axis with its title, attached to the chart at that side.
QValueAxis* addValueAxis(QChart& chart, Qt::Alignment side, const QString& title, const QString& labelFormat);

// The axis from lowest to highest with room around: the given share of the span, at least minimumMargin,
// widened to round numbers with at most that many ticks, so their labels fit.
void setRangeWithMargin(QValueAxis& axis, double lowest, double highest, double share, double minimumMargin,
                        int ticks = 5);

// The smallest rectangle holding the points, left to right and lowest to highest; empty for no point.
QRectF boundsOf(const QList<QPointF>& points);

// A vertical line across the whole height of the vertical axis.
void showVerticalLine(QLineSeries& line, double x, const QValueAxis& vertical);

// Gives the view its chart to own, and deletes the empty one the view made for itself, which it only lets go.
void giveChart(QChartView& view, QChart* chart);
