// The tuning chart at scale: "Memories" > "Tuning Chart" to the chart painted, with 10,000 memories over
// 10 bands (the first band's 1,000 on the chart, every one of them judged against its neighbours), the
// first opening, when Qt Charts builds its first chart, apart from the median of the openings after it.
#include "Figures.h"
#include "MainWindowRig.h"
#include "MemoryFile.h"

#include <QAction>
#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    MainWindowRig rig;
    const QString database = rig.directory.path() + QStringLiteral("/DATABASE/VELTRANO.MDB");
    if (!fillMemoryFile(database, 10000, 10) || !rig.start())
        return 1;
    auto chart = [&] { return rig.window->findChild<QWidget*>(QStringLiteral("TuningChartWindow")); };
    auto open = [&] {
        return timed([&] {
            rig.get<QAction>("grafico_memorie")->trigger();
            chart()->repaint();
        });
    };
    auto close = [&] {
        chart()->close();
        QTest::qWait(1); // the closed window goes away on the next turn of the event loop
    };
    const double first = open();
    close();
    QList<double> samples;
    for (int sample = 0; sample < 11; ++sample) {
        samples.append(open());
        close();
    }
    printFigure("tuning_chart_open_ms", median(samples), "ms (goal < 100)");
    printFigure("tuning_chart_first_open_ms", first, "ms");
    return 0;
}
