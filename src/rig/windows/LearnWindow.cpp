#include "LearnWindow.h"

#include "AccessibleWindow.h"
#include "BandPlan.h"
#include "BoardSession.h"
#include "Charts.h"
#include "Pictures.h"
#include "Platform.h"
#include "RigChannel.h"
#include "RigSettings.h"
#include "WindowPlacement.h"
#include "ui_learnwindow.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QTimer>

namespace {

const QString Title = QStringLiteral("LEARN BAND");
constexpr double LowestKHz = 1800;
constexpr double HighestKHz = 54000;
constexpr double LeastMaxSwr = 1.1;
constexpr double GreatestMaxSwr = 3;

std::optional<double> numberIn(const QString& text)
{
    bool number = false;
    const double value = text.trimmed().toDouble(&number);
    return number && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

} // namespace

LearnWindow::LearnWindow(LearnRun& learn, const RigChannel& channel, const BoardSession& session,
                         const RigSettings& settings, Platform& platform, const QString& iconPath, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::LearnWindow>())
    , m_learn(learn)
    , m_channel(channel)
    , m_session(session)
    , m_settings(settings)
    , m_platform(platform)
    , m_clock(new QTimer(this))
{
    presentAsWindow(this);
    m_ui->setupUi(this);
    m_ui->pointsTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_ui->pointsTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_chart = charts().learnChart(m_ui->learnChartArea);
    m_ui->learnChartArea->layout()->addWidget(m_chart->widget());
    placeSecondaryWindow(this, 5);
    showWindowIcon(this, iconPath);

    for (const Band& band : pickerBands()) {
        if (band.hasEdges())
            m_ui->bandField->addItem(band.label, QList<QVariant>{band.region1LowKHz, band.region1HighKHz});
    }
    m_ui->modeField->addItems(pickerModes());
    m_ui->modeField->setCurrentText(QStringLiteral("SSB"));
    m_ui->bandField->setCurrentIndex(std::max(0, m_ui->bandField->findText(QStringLiteral("40"))));
    bandChosen(m_ui->bandField->currentIndex());

    connect(m_ui->bandField, &QComboBox::currentIndexChanged, this, &LearnWindow::bandChosen);
    connect(m_ui->learnButton, &QPushButton::clicked, this, &LearnWindow::learn);
    connect(m_ui->stopButton, &QPushButton::clicked, this, [this] { m_learn.stop(); });
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(&m_learn, &LearnRun::progressed, this, &LearnWindow::showRun);
    connect(&m_learn, &LearnRun::pointLearned, this, &LearnWindow::addPoint);
    // The seconds on the air count on between two points.
    m_clock->setInterval(200);
    connect(m_clock, &QTimer::timeout, this, &LearnWindow::showRun);
    // Opened again during a run or after one: its points so far; else the band chosen.
    if (!m_learn.points().isEmpty())
        m_chart->setBand(m_learn.plan().placement.fromKHz, m_learn.plan().placement.toKHz);
    for (const LearnPlacement::Point& point : m_learn.points())
        addPoint(int(std::lround(point.kHz)), point.tenths / 10.0, point.reading);
    showRun();
}

LearnWindow::~LearnWindow() = default;

void LearnWindow::bandChosen(int index)
{
    const QList<QVariant> edges = m_ui->bandField->itemData(index).toList();
    if (edges.size() != 2)
        return;
    m_ui->fromField->setText(edges[0].toString());
    m_ui->toField->setText(edges[1].toString());
    if (m_learn.points().isEmpty())
        m_chart->setBand(edges[0].toDouble(), edges[1].toDouble());
}

QString LearnWindow::refusal(LearnPlacement::Method method) const
{
    if (m_learn.isRunning())
        return QStringLiteral("A band is being learned: STOP it first.");
    if (m_learn.isRestoreOwed())
        return QStringLiteral("Waiting for rigctld: the radio is to get its settings back first.");
    if (method == LearnPlacement::Method::Swr && !m_settings.TUNE_TX)
        return QStringLiteral("By : SWR makes the radio transmit, so it is off until TUNE_TX=1 is set in [rig] of "
                              "VELTRANO.ini. By Noise never transmits.");
    if (m_channel.state() != RigChannel::State::Connected || m_channel.frequencyHz() <= 0)
        return QStringLiteral("Learning moves the radio's VFO: connect to rigctld in RIG Setting.");
    if (!m_session.isLinkOpen())
        return QStringLiteral("Learning moves the servo: the port to the board is closed.");
    if (m_session.servoState() != ServoState::On)
        return QStringLiteral("Learning moves the servo: switch it on.");
    return {};
}

std::optional<LearnRun::Plan> LearnWindow::takeFields()
{
    const auto refuse = [this](QWidget* field, const QString& text) -> std::optional<LearnRun::Plan> {
        m_platform.message(this, text, Title, MessageIcon::Critical);
        if (field)
            field->setFocus();
        return std::nullopt;
    };
    const auto from = numberIn(m_ui->fromField->text());
    const auto to = numberIn(m_ui->toField->text());
    const auto maxSwr = numberIn(m_ui->maxSwrField->text());
    const QString range = QStringLiteral("must be a number of kHz from 1800 to 54000.");
    if (!from || *from < LowestKHz || *from > HighestKHz)
        return refuse(m_ui->fromField, QStringLiteral("From (kHz) : ") + range);
    if (!to || *to < LowestKHz || *to > HighestKHz)
        return refuse(m_ui->toField, QStringLiteral("To (kHz) : ") + range);
    if (*from >= *to)
        return refuse(m_ui->fromField, QStringLiteral("From (kHz) : must be below To (kHz) :."));
    if (!maxSwr || *maxSwr < LeastMaxSwr || *maxSwr > GreatestMaxSwr)
        return refuse(m_ui->maxSwrField, QStringLiteral("Max SWR : must be a number from 1.1 to 3."));
    const auto method =
        m_ui->byField->currentIndex() == 0 ? LearnPlacement::Method::Swr : LearnPlacement::Method::Noise;
    if (const QString why = refusal(method); !why.isEmpty())
        return refuse(nullptr, why);
    LearnRun::Plan plan;
    plan.placement = {*from, *to, method, *maxSwr};
    plan.maxSecondsOnAir = m_settings.LEARN_MAX_S;
    plan.band = m_ui->bandField->currentText();
    plan.mode = m_ui->modeField->currentText();
    return plan;
}

void LearnWindow::learn()
{
    if (const auto plan = takeFields()) {
        m_ui->pointsTable->setRowCount(0);
        m_chart->setBand(plan->placement.fromKHz, plan->placement.toKHz); // and no points yet
        emit learnRequested(*plan);
    }
    showRun();
}

void LearnWindow::addPoint(int kHz, double degrees, double reading)
{
    const int row = m_ui->pointsTable->rowCount();
    m_ui->pointsTable->insertRow(row);
    const bool bySwr = m_learn.plan().placement.method == LearnPlacement::Method::Swr;
    const QStringList texts = {QString::number(kHz), QString::number(degrees, 'f', 1),
                               bySwr ? QStringLiteral("SWR %1").arg(reading, 0, 'f', 2)
                                     : QStringLiteral("%1 dB").arg(reading, 0, 'f', 1)};
    for (int column = 0; column < int(texts.size()); ++column)
        m_ui->pointsTable->setItem(row, column, new QTableWidgetItem(texts[column]));
    m_ui->pointsTable->scrollToBottom(); // the newest point
    m_chart->addPoint(kHz, degrees, reading);
}

void LearnWindow::showRun()
{
    const bool running = m_learn.isRunning();
    if (running != m_clock->isActive())
        running ? m_clock->start() : m_clock->stop();
    m_ui->learnButton->setEnabled(!running);
    m_ui->stopButton->setEnabled(running);
    for (QWidget* field : {static_cast<QWidget*>(m_ui->bandField), static_cast<QWidget*>(m_ui->fromField),
                           static_cast<QWidget*>(m_ui->toField), static_cast<QWidget*>(m_ui->modeField),
                           static_cast<QWidget*>(m_ui->byField), static_cast<QWidget*>(m_ui->maxSwrField)})
        field->setEnabled(!running);
    // "0 of 1" before any run would say something about a run that is not.
    m_ui->progressBar->setTextVisible(running || m_learn.outcome());
    m_ui->progressBar->setMaximum(std::max(1, m_learn.pointsForeseen()));
    m_ui->progressBar->setValue(m_learn.pointsDone());
    m_ui->onAirField->setText(m_learn.outcome() || running ? QString::number(m_learn.secondsOnAir(), 'f', 1)
                                                           : QString());
    const auto kHz = m_learn.pointKHz();
    m_ui->pointField->setText(kHz ? QString::number(*kHz, 'f', 0) : QString());
    m_ui->statusLabel->setText(running ? QStringLiteral("Learning: the radio's VFO moves from point to point.")
                                       : m_learn.outcomeText());
}

void LearnWindow::closeEvent(QCloseEvent* event)
{
    m_learn.stop();
    QWidget::closeEvent(event);
}
