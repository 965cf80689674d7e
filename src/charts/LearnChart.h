#pragma once

#include "Charts.h"
#include "RunReadings.h"
#include "SmallChart.h"

// A small chart of a band being learned: the band's kHz across, degrees up, each point found a dot as
// it arrives, joined in frequency order. Its accessible description says the same in words.
class LearnChart final : public SmallChart, public LearnChartView {
    Q_OBJECT
public:
    explicit LearnChart(QWidget* parent = nullptr);

    QWidget* widget() override { return this; }
    void setBand(double lowKHz, double highKHz) override;
    void addPoint(double kHz, double degrees, double reading) override;
    void clear();
    const QList<LearnedPoint>& points() const { return m_points; }

private:
    void showPoints();

    double m_lowKHz = 0;
    double m_highKHz = 0;
    QList<LearnedPoint> m_points;
};
