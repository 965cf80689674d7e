#pragma once

#include "RunReadings.h"
#include "SmallChart.h"

// A small chart of a band being learned: the band's kHz across, degrees up, each point found a dot as
// it arrives, joined in frequency order. Its accessible description says the same in words.
class LearnChart final : public SmallChart {
    Q_OBJECT
public:
    explicit LearnChart(QWidget* parent = nullptr);

    // The band the points will lie on; drops the points shown.
    void setBand(double lowKHz, double highKHz);
    void addPoint(double kHz, double degrees, double reading);
    void clear();
    const QList<LearnedPoint>& points() const { return m_points; }

private:
    void showPoints();

    double m_lowKHz = 0;
    double m_highKHz = 0;
    QList<LearnedPoint> m_points;
};
