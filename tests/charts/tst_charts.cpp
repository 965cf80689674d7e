// The charts: what the tuning chart shows computed from the memories without drawing (points, the
// memories off the curve, the words), then the window on a real SQLite file: the radio live, the memory
// file followed, the curve against following's own angles, a click choosing the memory in the editor;
// and each chart drawn whole inside its picture.
#include "BoardSession.h"
#include "FakePlatform.h"
#include "GlobalSettings.h"
#include "LearnChart.h"
#include "MemoryEditor.h"
#include "MemoryStore.h"
#include "NumberText.h"
#include "RigFollower.h"
#include "RunChart.h"
#include "TestProgramDirectory.h"
#include "TuningChartSeries.h"
#include "TuningChartWindow.h"
#include "TuningTable.h"
#include "Widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QChart>
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>
#include <QXYSeries>

namespace {

const QString B40 = QStringLiteral("40");

StoredMemory memory(int number, const QString& band, double kHz, double degrees, bool valid = true,
                    const QString& note = {})
{
    return {number, band, QStringLiteral("SSB"), plainDecimal(kHz), degrees, QString(), valid, note};
}

// Each point as "kHz:" with v (valid) or - (not), l (learned) and ! (off the curve).
QString pointsText(const TuningChartSeries& series)
{
    QStringList points;
    for (const ChartPoint& point : series.points())
        points << plainDecimal(point.kHz) + u':' + (point.valid ? u'v' : u'-') + (point.learned ? "l" : "") +
                      (point.outlier ? "!" : "");
    return points.join(u' ');
}

QXYSeries* namedSeries(const QChartView& view, const QString& name)
{
    for (QAbstractSeries* series : view.chart()->series()) {
        if (series->name() == name)
            return static_cast<QXYSeries*>(series);
    }
    qFatal("no series named %s", qPrintable(name));
}

// A memory file in a program directory, filled through the store as the editor fills it, and the
// follower reading it.
struct MemoryFileRig {
    TestProgramDirectory directory;
    GlobalSettings settings;
    QString path;
    MemoryStore store;
    FakePlatform platform;
    BoardSession session;
    RigFollower follower{session};

    MemoryFileRig()
    {
        settings.path_DATI = QStringLiteral("\\DATABASE\\VELTRANO.MDB");
        path = memoryFilePath(directory.path(), settings);
        follower.setMemoryFile(path);
    }
    void add(const char* band, const char* kHz, const char* degrees, bool valid = true)
    {
        QVERIFY(store.open(path));
        QVERIFY(store.add({band, QStringLiteral("SSB"), kHz, degrees, QString(), valid}));
    }
};

} // namespace

class TestCharts : public QObject {
    Q_OBJECT
private slots:
    void pointsAndTheMemoriesOffTheCurve_data()
    {
        QTest::addColumn<QList<StoredMemory>>("memories");
        QTest::addColumn<QString>("points");
        // 105.1 is where following puts 7100 kHz between 7000 kHz / 100° and 7200 kHz / 110°.
        const StoredMemory low = memory(1, B40, 7000, 100), high = memory(3, B40, 7200, 110);
        QTest::newRow("within half a degree")
            << QList{low, memory(2, B40, 7100, 105.6), high} << "7000:v 7100:v 7200:v";
        QTest::newRow("off by more") << QList{low, memory(2, B40, 7100, 104.5), high} << "7000:v 7100:v! 7200:v";
        QTest::newRow("an end memory is not judged, its neighbour is")
            << QList{memory(1, B40, 7000, 130), memory(2, B40, 7100, 105.1), high} << "7000:v 7100:v! 7200:v";
        QTest::newRow("one memory off does not put its neighbours off")
            << QList{low, memory(2, B40, 7050, 102.5), memory(4, B40, 7100, 107), memory(5, B40, 7150, 107.6), high}
            << "7000:v 7050:v 7100:v! 7150:v 7200:v";
        QTest::newRow("memories not valid neither count nor are judged")
            << QList{low, memory(4, B40, 7050, 150, false), memory(2, B40, 7100, 105.1), high}
            << "7000:v 7050:- 7100:v 7200:v";
        QTest::newRow("two at one frequency judge each other")
            << QList{low, memory(2, B40, 7100, 105), memory(4, B40, 7100, 108), high}
            << "7000:v 7100:v! 7100:v! 7200:v";
        QTest::newRow("other bands are not neighbours")
            << QList{low, memory(2, QStringLiteral("3-30MHz"), 7100, 160), memory(4, B40, 7100, 105.1), high}
            << "7000:v 7100:v 7200:v";
        QTest::newRow("learned ones apart")
            << QList{memory(1, B40, 7000, 100, true, QStringLiteral("learned 2026-12-07 SWR 1.08")),
                     memory(2, B40, 7100, 105.1, true, QStringLiteral("not learned here")),
                     memory(3, B40, 7200, 110, false, QStringLiteral("learned 2026-12-07 noise -97.0"))}
            << "7000:vl 7100:v 7200:-l";
    }
    void pointsAndTheMemoriesOffTheCurve()
    {
        QFETCH(QList<StoredMemory>, memories);
        QFETCH(QString, points);
        QCOMPARE(pointsText(TuningChartSeries(memories, B40)), points);
    }

    void theDescriptionSaysWhatTheChartShows_data()
    {
        QTest::addColumn<QList<StoredMemory>>("memories");
        QTest::addColumn<QString>("band");
        QTest::addColumn<std::optional<RadioMarker>>("radio");
        QTest::addColumn<QString>("description");
        QTest::newRow("a band and the radio")
            << QList{memory(1, B40, 7000, 111.1), memory(2, B40, 7200, 115.4)} << "40" << radioMarker(7123000, 112.6)
            << "40 m: 2 memories from 7000 to 7200 kHz, 111.1 to 115.4 degrees; radio at 7123 kHz, 112.6 degrees";
        QTest::newRow("one memory not valid, the radio elsewhere, nothing sent")
            << QList{memory(1, QStringLiteral("CB"), 27005, 50, false)} << "CB" << radioMarker(7123500, {})
            << "CB: 1 memory at 27005 kHz, 50 degrees, 1 not valid; radio at 7123.5 kHz, outside this band's memories";
        QTest::newRow("the memory off the curve named, no radio")
            << QList{memory(1, B40, 7000, 100), memory(7, B40, 7100, 106),
                     memory(3, B40, 7200, 110, true, QStringLiteral("learned 2026-12-07"))}
            << "40" << radioMarker(0, 100)
            << "40 m: 3 memories from 7000 to 7200 kHz, 100 to 110 degrees, 1 learned; memory 7 at 7100 kHz is 0.9 "
               "degrees off the curve";
    }
    void theDescriptionSaysWhatTheChartShows()
    {
        QFETCH(QList<StoredMemory>, memories);
        QFETCH(QString, band);
        QFETCH(std::optional<RadioMarker>, radio);
        QFETCH(QString, description);
        QCOMPARE(TuningChartSeries(memories, band).description(radio), description);
    }

    void theRadioShowsLiveTheFileIsFollowedTheCurveIsFollowingsAndAClickChoosesTheMemory()
    {
        MemoryFileRig rig;
        rig.add("40", "7000", "100");
        rig.add("40", "7200", "110");
        TuningChartWindow window(rig.path, rig.follower, rig.session, rig.platform, QString());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* view = widget<QChartView>(window, "tuningChart");
        QCOMPARE(namedSeries(*view, QStringLiteral("Radio"))->count(), 0);

        // Following sends, through the board session as the servo's send does.
        connect(&rig.follower, &RigFollower::sendRequested, &rig.session,
                [&](const QString& angle) { rig.session.setSentDegrees(angle.toDouble()); });
        rig.session.setLinkOpen(true);
        rig.session.setServoState(ServoState::On);
        rig.follower.setFollowing(true);
        rig.follower.setFrequency(7123000);
        const double angle = rig.follower.tuning()->tenths / 10.0;
        QCOMPARE(namedSeries(*view, QStringLiteral("Radio"))->at(1).x(), 7123.0);
        QCOMPARE(namedSeries(*view, QStringLiteral("Angle sent"))->points(), QList<QPointF>{QPointF(7123, angle)});
        QVERIFY2(view->accessibleDescription().endsWith(
                     QStringLiteral("radio at 7123 kHz, %1 degrees").arg(angleText(int(std::lround(angle * 10))))),
                 qPrintable(view->accessibleDescription()));
        rig.follower.setFrequency(14074000); // off this band's chart
        QCOMPARE(namedSeries(*view, QStringLiteral("Radio"))->count(), 0);

        // Another connection writes the file: the chart reads it again by itself.
        rig.add("40", "7100", "105");
        rig.add("40", "7150", "170", false);
        rig.add("3-30MHZ", "7130", "140");
        rig.add("20", "14074", "30");
        rig.store.close();
        QTRY_COMPARE(window.series().points().size(), 4);
        auto* bands = widget<QComboBox>(window, "bandList");
        QVERIFY(bands->count() == 3 && bands->itemText(2) == u"20 m" && bands->currentText() == u"40 m");

        // The curve is following's angle, bent by the other band's memory inside this one's range too.
        const QList<QPointF> curve = window.series().curve();
        QVERIFY(curve.size() > TuningChartSeries::CurveSamples);
        QCOMPARE(QPair(curve.constFirst().x(), curve.constLast().x()), QPair(7000.0, 7200.0));
        QVERIFY(curve.contains(QPointF(7130, 140)));
        for (qsizetype at = 0; at < curve.size(); ++at) {
            QVERIFY(at == 0 || curve[at].x() > curve[at - 1].x());
            rig.follower.setFrequency(qRound64(curve[at].x() * 1000));
            QCOMPARE(curve[at].y(), rig.follower.tuning()->tenths / 10.0);
        }

        MemoryStore editorStore;
        MemoryEditor editor(editorStore, rig.directory.path(), rig.settings, rig.platform, QString());
        connect(&window, &TuningChartWindow::memoryChosen, &editor, &MemoryEditor::selectMemory);
        QSignalSpy recalled(&editor, &MemoryEditor::recalled);
        QXYSeries* stored = namedSeries(*view, QStringLiteral("Stored"));
        const QPointF onScreen = view->mapFromScene(view->chart()->mapToPosition(QPointF(7100, 105), stored));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, onScreen.toPoint());
        QCOMPARE(recalled.size(), 1);
        QCOMPARE(recalled[0][0].value<RecalledMemory>().frequency, QStringLiteral("7100"));
        QCOMPARE(texts(editor, {"Frame3", "Text7"}), QStringLiteral("MEM-3 |105"));
    }

    void eachChartIsDrawnWholeInsideItsPicture_data()
    {
        QTest::addColumn<int>("chart"); // the tuning, run or learn chart
        QTest::addColumn<QPalette>("palette");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("described");
        const QPalette dark(QColor(53, 53, 53)), light = QApplication::palette();
        QTest::newRow("tuning chart, dark") << 0 << dark << QSize(1000, 700) << "40 m: 2 memories";
        QTest::newRow("run chart, light")
            << 1 << light << QSize(288, 486) << "lowest 1.05 at 88.3 degrees; ended at 88.3 degrees";
        QTest::newRow("learn chart, dark")
            << 2 << dark << QSize(300, 220)
            << "3 points from 7000 to 7150 kHz, 86.2 to 90.4 degrees; last at 7050 kHz, 89 degrees.";
    }
    void eachChartIsDrawnWholeInsideItsPicture()
    {
        QFETCH(int, chart);
        QFETCH(QPalette, palette);
        QFETCH(QSize, size);
        QFETCH(QString, described);
        MemoryFileRig rig;
        rig.add("40", "7000", "100");
        rig.add("40", "7200", "110");
        TuningChartWindow tuning(rig.path, rig.follower, rig.session, rig.platform, QString());
        RunChart run;
        run.setRun(RunKind::Swr, {{870, 1.9}, {875, 1.4}, {880, 1.1}, {885, 1.3}, {878, 1.2}, {883, 1.05}}, 883);
        LearnChart learn;
        learn.setBand(7000, 7300);
        learn.addPoint(7000, 90.4, 1.1);
        learn.addPoint(7150, 86.2, 1.2);
        learn.addPoint(7050, 89, 1.05);
        QChartView* view = std::array<QChartView*, 3>{widget<QChartView>(tuning, "tuningChart"), &run, &learn}[chart];
        view->window()->resize(size);
        view->window()->setPalette(palette);
        QVERIFY2(view->accessibleDescription().contains(described), qPrintable(view->accessibleDescription()));
        // The tuning chart's picture through "Save Picture...", which gives the name its suffix.
        rig.platform.fileNames = {rig.directory.path() + QStringLiteral("/chart")};
        widget<QAbstractButton>(tuning, "savePictureButton")->click();
        QImage picture = view->grab().toImage();
        QVERIFY(chart != 0 || picture.load(rig.directory.path() + QStringLiteral("/chart.png")));
        // In the palette's colours, the plot with room for the axes, whose labels stand out left and below.
        const int background = palette.color(QPalette::Window).lightness();
        const QRect plot = view->chart()->plotArea().toRect();
        QCOMPARE(picture.pixelColor(plot.right() + 3, plot.top() + 3).lightness(), background);
        QVERIFY(picture.rect().adjusted(8, 8, -8, -8).contains(plot) && plot.width() > picture.width() / 2 &&
                plot.height() > picture.height() / 3);
        const auto seen = [&](const QRect& area) {
            int count = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    count += std::abs(picture.pixelColor(x, y).lightness() - background) > 100;
            return count > 50;
        };
        QVERIFY(seen(QRect(0, plot.top(), plot.left(), plot.height())));
        QVERIFY(seen(QRect(plot.left(), plot.bottom() + 2, plot.width(), picture.height() - plot.bottom() - 2)));
    }
};

QTEST_MAIN(TestCharts)
#include "tst_charts.moc"
