#pragma once

#include <QChartView>

class QLineSeries;
class QScatterSeries;
class QValueAxis;

// The frame of the small charts beside a run: two value axes, dots joined by a line, no legend, in the
// palette's colours, restyled when the palette changes.
class SmallChart : public QChartView {
    Q_OBJECT
protected:
    // Few enough labels across that they fit a chart a quarter of a small screen wide.
    static constexpr int AcrossTicks = 4;

    SmallChart(const QString& accessibleName, const QString& across, const QString& acrossFormat, QWidget* parent);

    void changeEvent(QEvent* event) override;
    // Colours everything from the palette; a chart with series of its own colours them after this.
    virtual void restyle();
    void addSeries(QAbstractSeries* series);
    // The dots' colour among the chart colours: run readings or learned points.
    void setDotsAreLearned(bool learned);

    QChart* m_chart;
    QValueAxis* m_across;
    QValueAxis* m_up;
    QLineSeries* m_line;
    QScatterSeries* m_dots;

private:
    bool m_learned = false;
};
