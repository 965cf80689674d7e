#pragma once

#include "RunReadings.h"

#include <QString>
#include <QtPlugin>

#include <functional>
#include <optional>

class BoardSession;
class Platform;
class QWidget;
class RigFollower;

// The charts live in a library of their own, with Qt Charts behind it, loaded the first time a chart is
// made: a session that shows no chart never loads Qt Charts. The windows see the charts through these.

// The last TUNE or PEAK run.
class RunChartView {
public:
    virtual ~RunChartView() = default;
    virtual QWidget* widget() = 0;
    virtual void setRun(RunKind kind, const QList<RunReading>& readings, std::optional<int> finalTenths) = 0;
};

// A band being learned, point by point.
class LearnChartView {
public:
    virtual ~LearnChartView() = default;
    virtual QWidget* widget() = 0;
    // The band the points will lie on; drops the points shown.
    virtual void setBand(double lowKHz, double highKHz) = 0;
    virtual void addPoint(double kHz, double degrees, double reading) = 0;
};

// Each chart is its widget, owned by its parent.
class ChartFactory {
public:
    virtual ~ChartFactory() = default;
    virtual RunChartView* runChart(QWidget* parent) = 0;
    virtual LearnChartView* learnChart(QWidget* parent) = 0;
    // "TUNING CHART", or null; a click on a memory's point calls memoryChosen with its number.
    virtual QWidget* tuningChart(const QString& memoryFilePath, const RigFollower& follower,
                                 const BoardSession& session, Platform& platform, const QString& iconPath,
                                 std::function<void(int)> memoryChosen, QWidget* parent) = 0;
};

#define VELTRANO_CHART_FACTORY_IID "org.veltrano.ChartFactory/1"
Q_DECLARE_INTERFACE(ChartFactory, VELTRANO_CHART_FACTORY_IID)

// The charts from the file VELTRANO_CHARTS names, else from veltrano-charts beside the program. When
// that cannot be loaded (tried again at each chart), the run and learn charts are a line saying why,
// there is no tuning chart, and chartsProblem() says why.
ChartFactory& charts();
QString chartsProblem();
