#include "Charts.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPluginLoader>

namespace {

QString problem;

// Stands where a chart would: a ham keeps the window whose chart cannot be drawn.
class NoChart final : public QLabel, public RunChartView, public LearnChartView {
public:
    explicit NoChart(QWidget* parent)
        : QLabel(QStringLiteral("No chart: %1").arg(problem), parent)
    {
        setWordWrap(true);
        setAlignment(Qt::AlignCenter);
        // Said also where the window names this place as its chart.
        setAccessibleDescription(text());
    }
    QWidget* widget() override { return this; }
    void setRun(RunKind, const QList<RunReading>&, std::optional<int>) override {}
    void setBand(double, double) override {}
    void addPoint(double, double, double) override {}
};

class NoCharts final : public ChartFactory {
public:
    RunChartView* runChart(QWidget* parent) override { return new NoChart(parent); }
    LearnChartView* learnChart(QWidget* parent) override { return new NoChart(parent); }
    QWidget* tuningChart(const QString&, const RigFollower&, const BoardSession&, Platform&, const QString&,
                         std::function<void(int)>, QWidget*) override
    {
        return nullptr;
    }
};

} // namespace

ChartFactory& charts()
{
    static ChartFactory* loaded = nullptr;
    if (loaded)
        return *loaded;
    QString path = qEnvironmentVariable("VELTRANO_CHARTS");
    if (path.isEmpty())
        path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("veltrano-charts"));
    // Never unloaded: the library stays when its loader goes. Everything it needs is looked up now, so
    // that a missing piece fails here and not while a chart is drawn.
    QPluginLoader loader(path);
    loader.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    loaded = qobject_cast<ChartFactory*>(loader.instance());
    problem = loaded ? QString() : QDir::toNativeSeparators(path) + QStringLiteral(": ") + loader.errorString();
    static NoCharts none;
    return loaded ? *loaded : none;
}

QString chartsProblem()
{
    return problem;
}
