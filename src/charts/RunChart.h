#pragma once

#include "Charts.h"
#include "RunReadings.h"
#include "SmallChart.h"

#include <optional>

// A small chart of one run: the angle across, the reading up, each reading a dot, the last reading at
// each angle joined by a line, and the angle the run ended at as a vertical line. Its accessible
// description says the same in words.
class RunChart final : public SmallChart, public RunChartView {
    Q_OBJECT
public:
    explicit RunChart(QWidget* parent = nullptr);

    QWidget* widget() override { return this; }
    void setRun(RunKind kind, const QList<RunReading>& readings, std::optional<int> finalTenths) override;

private:
    void restyle() override;

    QLineSeries* m_final;
};
