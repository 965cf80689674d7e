#include "Charts.h"
#include "LearnChart.h"
#include "RunChart.h"
#include "TuningChartWindow.h"

#include <QObject>

// The charts' library: the one object the program finds in it makes each chart.
class ChartsPlugin final : public QObject, public ChartFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID VELTRANO_CHART_FACTORY_IID)
    Q_INTERFACES(ChartFactory)
public:
    RunChartView* runChart(QWidget* parent) override { return new RunChart(parent); }
    LearnChartView* learnChart(QWidget* parent) override { return new LearnChart(parent); }
    QWidget* tuningChart(const QString& memoryFilePath, const RigFollower& follower, const BoardSession& session,
                         Platform& platform, const QString& iconPath, std::function<void(int)> memoryChosen,
                         QWidget* parent) override
    {
        auto* window = new TuningChartWindow(memoryFilePath, follower, session, platform, iconPath, parent);
        QObject::connect(window, &TuningChartWindow::memoryChosen, window, std::move(memoryChosen));
        return window;
    }
};

#include "ChartsPlugin.moc"
