#include "TuningChartWindow.h"

#include "AccessibleWindow.h"
#include "BoardSession.h"
#include "ChartLook.h"
#include "NumberText.h"
#include "Pictures.h"
#include "Platform.h"
#include "RigFollower.h"
#include "TuningTable.h"
#include "WindowPlacement.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineF>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

namespace {

// How often the memory file is looked at: a look that finds it unchanged reads nothing.
constexpr int FileCheckMs = 250;

QString pointText(const ChartPoint& point)
{
    QString text = QStringLiteral("MEM-%1: %2, %3 kHz, %4 degrees")
                       .arg(point.number)
                       .arg(point.mode, plainDecimal(point.kHz), plainDecimal(point.degrees));
    if (!point.valid)
        text += QStringLiteral(", not valid");
    if (point.learned)
        text += QStringLiteral(", learned");
    if (point.outlier)
        text += QStringLiteral(", %1 degrees off the curve").arg(angleText(int(std::lround(*point.offCurve * 10))));
    return text;
}

} // namespace

TuningChartWindow::TuningChartWindow(const QString& memoryFilePath, const RigFollower& follower,
                                     const BoardSession& session, Platform& platform, const QString& iconPath,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_follower(follower)
    , m_session(session)
    , m_platform(platform)
    , m_bandList(new QComboBox(this))
    , m_view(new QChartView(this))
    , m_problem(new QLabel(this))
    , m_chart(new QChart)
    , m_fileCheck(new QTimer(this))
{
    presentAsWindow(this);
    setObjectName(QStringLiteral("TuningChartWindow"));
    setWindowTitle(QStringLiteral("TUNING CHART"));
    showWindowIcon(this, iconPath);

    auto* bandLabel = new QLabel(QStringLiteral("Band :"), this);
    bandLabel->setObjectName(QStringLiteral("bandLabel"));
    bandLabel->setBuddy(m_bandList);
    m_bandList->setObjectName(QStringLiteral("bandList"));
    m_bandList->setAccessibleDescription(QStringLiteral("The band whose memories the chart shows"));
    m_bandList->setMinimumContentsLength(8);
    auto* saveButton = new QPushButton(QStringLiteral("Save Picture..."), this);
    saveButton->setObjectName(QStringLiteral("savePictureButton"));
    saveButton->setAccessibleDescription(QStringLiteral("Write the chart as a PNG picture"));
    auto* closeButton = new QPushButton(QStringLiteral("CLOSE"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setAccessibleDescription(QStringLiteral("Close the tuning chart"));
    m_view->setObjectName(QStringLiteral("tuningChart"));
    m_view->setAccessibleName(QStringLiteral("Tuning chart"));
    m_view->setRenderHint(QPainter::Antialiasing);
    giveChart(*m_view, m_chart);
    m_problem->setObjectName(QStringLiteral("problemLabel"));
    m_problem->setWordWrap(true);
    m_problem->hide();

    auto* top = new QHBoxLayout;
    top->addWidget(bandLabel);
    top->addWidget(m_bandList);
    top->addStretch();
    top->addWidget(saveButton);
    top->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_problem);

    m_kHzAxis = addValueAxis(*m_chart, Qt::AlignBottom, QStringLiteral("kHz"), QStringLiteral("%.0f"));
    m_degreesAxis = addValueAxis(*m_chart, Qt::AlignLeft, QStringLiteral("degrees"), QStringLiteral("%.1f"));
    m_curve = new QLineSeries(m_chart);
    m_curve->setName(QStringLiteral("Following's curve"));
    m_chart->addSeries(m_curve);
    m_outliers = addPointSeries(QStringLiteral("Off the curve"));
    m_invalid = addPointSeries(QStringLiteral("Not valid"));
    m_byHand = addPointSeries(QStringLiteral("Stored"));
    m_learned = addPointSeries(QStringLiteral("Learned"));
    m_radio = new QLineSeries(m_chart);
    m_radio->setName(QStringLiteral("Radio"));
    m_chart->addSeries(m_radio);
    m_sentAngle = new QScatterSeries(m_chart);
    m_sentAngle->setName(QStringLiteral("Angle sent"));
    m_chart->addSeries(m_sentAngle);
    for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(m_curve), static_cast<QAbstractSeries*>(m_radio),
                                    static_cast<QAbstractSeries*>(m_sentAngle)}) {
        series->attachAxis(m_kHzAxis);
        series->attachAxis(m_degreesAxis);
    }
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    restyle();

    connect(m_bandList, &QComboBox::currentIndexChanged, this, &TuningChartWindow::showBand);
    connect(saveButton, &QPushButton::clicked, this, &TuningChartWindow::savePicture);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(&m_follower, &RigFollower::changed, this, &TuningChartWindow::showRadio);
    connect(&m_session, &BoardSession::sentDegreesChanged, this, &TuningChartWindow::showRadio);
    connect(&m_memories, &MemoryFileWatch::changed, this, &TuningChartWindow::showMemories);
    connect(m_fileCheck, &QTimer::timeout, &m_memories, &MemoryFileWatch::refresh);
    m_fileCheck->start(FileCheckMs);

    resize(760, 520);
    setMinimumSize(480, 340);
    placeSecondaryWindow(this, 4);
    m_memories.setFile(memoryFilePath);
    m_memories.refresh();
    if (m_memories.storedMemories().isEmpty())
        showMemories(); // the empty chart, or why the file cannot be read
}

TuningChartWindow::~TuningChartWindow() = default;

QScatterSeries* TuningChartWindow::addPointSeries(const QString& name)
{
    auto* series = new QScatterSeries(m_chart);
    series->setName(name);
    m_chart->addSeries(series);
    series->attachAxis(m_kHzAxis);
    series->attachAxis(m_degreesAxis);
    connect(series, &QXYSeries::clicked, this, [this, series](const QPointF& point) {
        if (const ChartPoint* chosen = pointAt(series, point))
            emit memoryChosen(chosen->number);
    });
    connect(series, &QXYSeries::hovered, this,
            [this, series](const QPointF& point, bool entered) { pointHovered(series, point, entered); });
    return series;
}

// A file that cannot be read just now keeps the chart as it was; the next look reads it again.
void TuningChartWindow::showMemories()
{
    m_problem->setText(m_memories.problem());
    m_problem->setVisible(!m_memories.problem().isEmpty());
    const QString shown = m_bandList->currentData().toString();
    const QStringList bands = bandsWithMemories(m_memories.storedMemories());
    {
        const QSignalBlocker quiet(m_bandList);
        m_bandList->clear();
        for (const QString& band : bands)
            m_bandList->addItem(bandName(band), band);
        m_bandList->setCurrentIndex(std::max(0, int(bands.indexOf(shown))));
    }
    showBand();
}

void TuningChartWindow::showBand()
{
    m_series = TuningChartSeries(m_memories.storedMemories(), m_bandList->currentData().toString());
    const QList<ChartPoint>& points = m_series.points();
    m_shown.clear();
    const std::pair<QScatterSeries*, bool (*)(const ChartPoint&)> kinds[] = {
        {m_outliers, [](const ChartPoint& p) { return p.outlier; }},
        {m_invalid, [](const ChartPoint& p) { return !p.valid; }},
        {m_byHand, [](const ChartPoint& p) { return p.valid && !p.learned; }},
        {m_learned, [](const ChartPoint& p) { return p.valid && p.learned; }},
    };
    for (const auto& [series, belongs] : kinds) {
        QList<ChartPoint>& shown = m_shown[series];
        QList<QPointF> positions;
        for (const ChartPoint& point : points) {
            if (belongs(point)) {
                shown.append(point);
                positions.append({point.kHz, point.degrees});
            }
        }
        series->replace(positions);
    }
    m_curve->replace(m_series.curve());
    if (points.isEmpty()) {
        m_chart->setTitle(QStringLiteral("No memories with an angle yet."));
        m_kHzAxis->setRange(0, 1);
        m_degreesAxis->setRange(0, 180);
    } else {
        m_chart->setTitle(QString());
        const double span = m_series.highestKHz() - m_series.lowestKHz();
        m_kHzAxis->setLabelFormat(span >= 20 ? QStringLiteral("%.0f") : QStringLiteral("%.1f"));
        setRangeWithMargin(*m_kHzAxis, m_series.lowestKHz(), m_series.highestKHz(), 0.04, 1);
        setRangeWithMargin(*m_degreesAxis, m_series.lowestDegrees(), m_series.highestDegrees(), 0.08, 0.5);
    }
    for (QAbstractSeries* series : m_chart->series()) {
        const auto* xy = static_cast<QXYSeries*>(series);
        for (QLegendMarker* marker : m_chart->legend()->markers(series))
            marker->setVisible(xy->count() > 0 || xy == m_curve || xy == m_byHand);
    }
    showRadio();
}

void TuningChartWindow::showRadio()
{
    const auto radio = radioMarker(m_follower.frequencyHz(), m_session.sentDegrees());
    const bool onChart =
        radio && !m_series.points().isEmpty() && radio->kHz >= m_kHzAxis->min() && radio->kHz <= m_kHzAxis->max();
    if (onChart)
        showVerticalLine(*m_radio, radio->kHz, *m_degreesAxis);
    else
        m_radio->clear();
    if (onChart && radio->degrees)
        m_sentAngle->replace(QList<QPointF>{{radio->kHz, *radio->degrees}});
    else
        m_sentAngle->clear();
    for (QXYSeries* series : {static_cast<QXYSeries*>(m_radio), static_cast<QXYSeries*>(m_sentAngle)}) {
        for (QLegendMarker* marker : m_chart->legend()->markers(series))
            marker->setVisible(series->count() > 0);
    }
    m_view->setAccessibleDescription(m_series.description(radio));
}

const ChartPoint* TuningChartWindow::pointAt(const QXYSeries* series, const QPointF& point) const
{
    const auto shown = m_shown.constFind(series);
    if (shown == m_shown.cend() || shown->isEmpty())
        return nullptr;
    // The nearest point on the screen: kHz and degrees have different scales.
    const ChartPoint* nearest = nullptr;
    double nearestDistance = 0;
    const QPointF at = m_chart->mapToPosition(point, const_cast<QXYSeries*>(series));
    for (const ChartPoint& candidate : *shown) {
        const QPointF there =
            m_chart->mapToPosition({candidate.kHz, candidate.degrees}, const_cast<QXYSeries*>(series));
        const double distance = QLineF(at, there).length();
        if (!nearest || distance < nearestDistance) {
            nearest = &candidate;
            nearestDistance = distance;
        }
    }
    return nearest;
}

void TuningChartWindow::pointHovered(const QXYSeries* series, const QPointF& point, bool entered)
{
    const ChartPoint* hovered = entered ? pointAt(series, point) : nullptr;
    if (hovered)
        QToolTip::showText(QCursor::pos(), pointText(*hovered), m_view);
    else
        QToolTip::hideText();
}

void TuningChartWindow::restyle()
{
    styleChart(*m_chart, palette());
    const ChartColours colours = chartColours(palette());
    m_view->setBackgroundBrush(colours.background);
    m_curve->setPen(QPen(colours.curve, 2));
    QColor halo = colours.warning;
    halo.setAlpha(120);
    m_outliers->setColor(halo);
    m_outliers->setBorderColor(colours.warning);
    m_outliers->setMarkerSize(22);
    m_invalid->setColor(colours.muted);
    m_invalid->setBorderColor(colours.muted);
    m_invalid->setMarkerSize(8);
    m_byHand->setColor(colours.point);
    m_byHand->setBorderColor(colours.point);
    m_byHand->setMarkerSize(9);
    m_learned->setColor(colours.second);
    m_learned->setBorderColor(colours.second);
    m_learned->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    m_learned->setMarkerSize(9);
    m_radio->setPen(QPen(colours.marker, 1.5, Qt::DashLine));
    m_sentAngle->setColor(colours.marker);
    m_sentAngle->setBorderColor(colours.marker);
    m_sentAngle->setMarkerShape(QScatterSeries::MarkerShapeStar);
    m_sentAngle->setMarkerSize(18);
}

void TuningChartWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        restyle();
}

void TuningChartWindow::savePicture()
{
    const QString title = QStringLiteral("SAVE PICTURE");
    const QString band = m_bandList->currentData().toString();
    QString path = m_platform.saveFileName(
        this, title,
        QDir::home().filePath(
            QStringLiteral("tuning-chart-%1.png").arg(band.isEmpty() ? QStringLiteral("empty") : band)),
        QStringLiteral("PNG pictures (*.png)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    if (!m_view->grab().save(path, "PNG"))
        m_platform.message(
            this, QStringLiteral("The picture could not be written to %1.").arg(QDir::toNativeSeparators(path)), title,
            MessageIcon::Critical);
}
