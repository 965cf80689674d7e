#include "RigWindow.h"

#include "AccessibleWindow.h"
#include "Charts.h"
#include "Indicators.h"
#include "NumberText.h"
#include "Pictures.h"
#include "Platform.h"
#include "RigFollower.h"
#include "RigLink.h"
#include "RigSettings.h"
#include "TuneRun.h"
#include "WindowPlacement.h"
#include "ui_rigwindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTimer>

namespace {

QString memoryText(const TuningPoint& point)
{
    return QStringLiteral("%1 kHz at %2° (memory %3, %4 %5)")
        .arg(plainDecimal(point.kHz), plainDecimal(point.degrees))
        .arg(point.number)
        .arg(point.band, point.mode);
}

} // namespace

RigWindow::RigWindow(RigLink& link, RigFollower& follower, TuneRun& tuneRun, RigSettings& settings,
                     QString settingsFilePath, Platform& platform, const QString& iconPath, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::RigWindow>())
    , m_link(link)
    , m_follower(follower)
    , m_tuneRun(tuneRun)
    , m_settings(settings)
    , m_settingsFilePath(std::move(settingsFilePath))
    , m_platform(platform)
    , m_onAirClock(new QTimer(this))
{
    presentAsWindow(this);
    m_ui->setupUi(this);
    // The last run's readings, right of the window's frames; the window grows to hold them.
    m_runChart = charts().runChart(this);
    QWidget* chart = m_runChart->widget();
    chart->setObjectName(QStringLiteral("runChart"));
    chart->setAccessibleName(QStringLiteral("Last TUNE or PEAK run"));
    // Placed a quarter of the way across, the window stays on a screen 1024 pixels wide.
    chart->setGeometry(472, 8, 232, 486);
    setFixedSize(712, height());
    placeSecondaryWindow(this, 4);
    showWindowIcon(this, iconPath);

    m_ui->portField->setRange(int(RigSettings::Ports.minimum), int(RigSettings::Ports.maximum));
    m_ui->pollField->setRange(int(RigSettings::PollIntervals.minimum), int(RigSettings::PollIntervals.maximum));
    m_ui->hostField->setText(m_settings.HOST);
    m_ui->portField->setValue(m_settings.PORT);
    m_ui->pollField->setValue(m_settings.POLL_MS);
    m_ui->followBox->setChecked(m_follower.isFollowing());

    connect(m_ui->connectButton, &QPushButton::clicked, this, &RigWindow::connectOrDisconnect);
    connect(m_ui->followBox, &QCheckBox::toggled, this, &RigWindow::followToggled);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(&m_link, &RigLink::stateChanged, this, &RigWindow::showLink);
    connect(&m_link, &RigLink::frequencyChanged, this, &RigWindow::showRadio);
    connect(&m_link, &RigLink::modeChanged, this, &RigWindow::showRadio);
    connect(&m_follower, &RigFollower::changed, this, &RigWindow::showTuning);
    connect(m_ui->tuneButton, &QPushButton::clicked, this, [this] { runOrStop(TuneRun::Method::BySwr); });
    connect(m_ui->peakButton, &QPushButton::clicked, this, [this] { runOrStop(TuneRun::Method::ByNoise); });
    connect(m_ui->storeButton, &QPushButton::clicked, this, &RigWindow::store);
    connect(&m_tuneRun, &TuneRun::progressed, this, &RigWindow::showTune);
    connect(&m_tuneRun, &TuneRun::readingsChanged, this, &RigWindow::showLastRun);
    connect(&m_tuneRun, &TuneRun::finished, this, &RigWindow::showLastRun);
    connect(&m_link, &RigLink::stateChanged, this, &RigWindow::showTune);
    connect(&m_link, &RigLink::frequencyChanged, this, &RigWindow::showTune);
    // The seconds count on between two readings.
    m_onAirClock->setInterval(100);
    connect(m_onAirClock, &QTimer::timeout, this, &RigWindow::showTune);
    showLink();
    showRadio();
    showTuning();
    showTune();
    showLastRun();
}

RigWindow::~RigWindow() = default;

void RigWindow::connectOrDisconnect()
{
    if (m_link.isRunning()) {
        m_link.stop();
        return;
    }
    if (takeFields()) {
        m_link.start(m_settings.HOST, quint16(m_settings.PORT), m_settings.POLL_MS);
        save();
    }
}

void RigWindow::followToggled(bool follow)
{
    // Following needs the radio: ticking Follow connects as the button would.
    if (follow && !m_link.isRunning()) {
        if (!takeFields()) {
            const QSignalBlocker quiet(m_ui->followBox);
            m_ui->followBox->setChecked(false);
            return;
        }
        m_link.start(m_settings.HOST, quint16(m_settings.PORT), m_settings.POLL_MS);
    }
    m_settings.FOLLOW = follow ? 1 : 0;
    m_follower.setFollowing(follow);
    save();
}

bool RigWindow::takeFields()
{
    const QString host = m_ui->hostField->text().trimmed();
    if (!isRigHost(host)) {
        m_platform.message(this,
                           QStringLiteral("The host must be the name or address of the computer running rigctld, "
                                          "for example 127.0.0.1."),
                           QStringLiteral("RIG SETTING"), MessageIcon::Critical);
        m_ui->hostField->setFocus();
        return false;
    }
    m_settings.HOST = host;
    m_settings.PORT = m_ui->portField->value();
    m_settings.POLL_MS = m_ui->pollField->value();
    return true;
}

void RigWindow::save()
{
    QString error;
    if (!writeRigSettings(m_settingsFilePath, m_settings, &error)) {
        m_platform.message(this,
                           QStringLiteral("VELTRANO.ini could not be written; it was left as it was.\r\r") + error,
                           QStringLiteral("WRITE ERROR"), MessageIcon::Critical);
    }
}

void RigWindow::showLink()
{
    const QString where = QStringLiteral("%1 port %2").arg(m_link.host()).arg(m_link.port());
    switch (m_link.state()) {
    case RigLink::State::Stopped: m_ui->linkField->setText(QStringLiteral("Not connected")); break;
    case RigLink::State::Connecting: m_ui->linkField->setText(QStringLiteral("Connecting to ") + where); break;
    case RigLink::State::Connected: m_ui->linkField->setText(QStringLiteral("Connected to ") + where); break;
    case RigLink::State::WaitingToRetry:
        m_ui->linkField->setText(QStringLiteral("Trying again (%1)").arg(m_link.problem()));
        break;
    }
    m_ui->connectButton->setText(m_link.isRunning() ? QStringLiteral("&Disconnect") : QStringLiteral("&Connect"));
}

void RigWindow::showRadio()
{
    const qint64 hertz = m_link.frequencyHz();
    m_ui->frequencyField->setText(hertz > 0 ? plainDecimal(double(hertz) / 1000) : QString());
    m_ui->modeField->setText(m_link.mode());
}

void RigWindow::showTuning()
{
    const auto& tuning = m_follower.tuning();
    m_ui->belowField->setText(tuning ? memoryText(tuning->below) : QString());
    m_ui->aboveField->setText(tuning ? memoryText(tuning->above) : QString());
    QString angle = tuning ? angleText(tuning->tenths) : QString();
    // A char16_t would go into arg() as its number.
    if (const auto& offset = m_follower.offsetTenths())
        angle += QStringLiteral(" (drift offset %1%2°)")
                     .arg(QChar(*offset < 0 ? u'-' : u'+'))
                     .arg(angleText(std::abs(*offset)));
    m_ui->angleField->setText(angle);
    m_ui->statusLabel->setText(m_follower.statusText());
}

void RigWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_tuneRun.isRunning()) {
        m_tuneRun.stop();
        return;
    }
    QWidget::keyPressEvent(event);
}

void RigWindow::closeEvent(QCloseEvent* event)
{
    m_tuneRun.stop();
    QWidget::closeEvent(event);
}

void RigWindow::runOrStop(TuneRun::Method method)
{
    if (m_tuneRun.isRunning())
        m_tuneRun.stop();
    else if (tuneRefusal(method).isEmpty())
        emit tuneRequested(method);
    showTune();
}

void RigWindow::store()
{
    if (const auto tenths = m_tuneRun.tunedTenths(); tenths && m_tuneRun.frequencyHz() > 0)
        emit storeRequested(double(m_tuneRun.frequencyHz()) / 1000, angleText(*tenths), m_tuneRun.radioMode());
}

QString RigWindow::tuneRefusal(TuneRun::Method method) const
{
    if (method == TuneRun::Method::BySwr && !m_settings.TUNE_TX)
        return QStringLiteral("Tuning by SWR makes the radio transmit, so it is off until TUNE_TX=1 is set in [rig] "
                              "of VELTRANO.ini.");
    if (m_tuneRun.isRestoreOwed())
        return QStringLiteral("Waiting for rigctld: the radio is to stop transmitting and get its settings back "
                              "first.");
    if (m_link.state() != RigLink::State::Connected || m_link.frequencyHz() <= 0)
        return QStringLiteral("TUNE and PEAK need the radio: connect to rigctld.");
    if (!m_tuneRun.servoReady())
        return QStringLiteral("TUNE and PEAK move the servo: switch it on, with the port open.");
    if (method == TuneRun::Method::BySwr)
        return m_tuneRun.guardRefusal();
    return {};
}

// A run's own button stops it; the other one waits for it.
void RigWindow::showRunButton(TuneRun::Method method)
{
    const bool bySwr = method == TuneRun::Method::BySwr;
    QPushButton* button = bySwr ? m_ui->tuneButton : m_ui->peakButton;
    const bool running = m_tuneRun.isRunning();
    const bool ownRun = running && m_tuneRun.method() == method;
    const QString refusal = running ? QString() : tuneRefusal(method);
    if (bySwr)
        button->setText(ownRun ? QStringLiteral("S&TOP TUNE") : QStringLiteral("&TUNE"));
    else
        button->setText(ownRun ? QStringLiteral("STOP &PEAK") : QStringLiteral("&PEAK"));
    button->setEnabled(ownRun || (!running && refusal.isEmpty()));
    button->setToolTip(refusal);
    const QString purpose = bySwr ? QStringLiteral("Tune the loop by the radio's SWR, or stop tuning")
                                  : QStringLiteral("Tune the loop to the loudest band noise on receive, without "
                                                   "transmitting, or stop");
    button->setAccessibleDescription(refusal.isEmpty() ? purpose : refusal);
}

void RigWindow::showTune()
{
    const bool running = m_tuneRun.isRunning();
    if (running != m_onAirClock->isActive())
        running ? m_onAirClock->start() : m_onAirClock->stop();
    showRunButton(TuneRun::Method::BySwr);
    showRunButton(TuneRun::Method::ByNoise);
    const bool byNoise = m_tuneRun.method() == TuneRun::Method::ByNoise;
    const bool noise = m_tuneRun.meter() == TuneRun::Meter::Noise;
    m_ui->tuneReadingLabel->setText(noise ? QStringLiteral("Noise (dB) :") : QStringLiteral("SWR :"));
    m_ui->tuneTimeLabel->setText(byNoise ? QStringLiteral("Time (s) :") : QStringLiteral("On air (s) :"));
    const auto angle = m_tuneRun.angleTenths();
    const auto reading = noise ? m_tuneRun.noiseDb() : m_tuneRun.swr();
    m_ui->tuneAngleField->setText(angle ? angleText(*angle) : QString());
    m_ui->tuneReadingField->setText(reading ? QString::number(*reading, 'f', noise ? 1 : 2) : QString());
    const double seconds = byNoise ? m_tuneRun.secondsRunning() : m_tuneRun.secondsOnAir();
    m_ui->tuneTimeField->setText(angle ? QString::number(seconds, 'f', 1) : QString());
    m_ui->storeButton->setEnabled(!running && m_tuneRun.tunedTenths() && m_tuneRun.frequencyHz() > 0);
    QString status = m_tuneRun.outcomeText();
    if (running && byNoise)
        status = QStringLiteral("Peaking the noise on receive: nothing is transmitted.");
    else if (running && !m_tuneRun.isOnAir() && noise)
        status = QStringLiteral("Tuning: near the dip on receive first, then the radio transmits at %1% in %2.")
                     .arg(m_settings.TUNE_POWER)
                     .arg(m_settings.TUNE_MODE);
    else if (running)
        status = QStringLiteral("Tuning: the radio transmits at %1% in %2.")
                     .arg(m_settings.TUNE_POWER)
                     .arg(m_settings.TUNE_MODE);
    // Why neither can start, or else why TUNE cannot.
    QString refusal = running ? QString() : tuneRefusal(TuneRun::Method::ByNoise);
    if (!running && refusal.isEmpty())
        refusal = tuneRefusal(TuneRun::Method::BySwr);
    if (!refusal.isEmpty())
        status = status.isEmpty() ? refusal : status + u' ' + refusal;
    m_ui->tuneStatusLabel->setText(status);
}

// The readings of the meter the run read last: a TUNE that listened first charts its SWR.
void RigWindow::showLastRun()
{
    const TuneRun::Meter meter = m_tuneRun.meter();
    QList<RunReading> readings;
    for (const TuneRun::Reading& reading : m_tuneRun.readingsTaken()) {
        if (reading.meter == meter)
            readings.append({reading.tenths, reading.value});
    }
    m_runChart->setRun(meter == TuneRun::Meter::Noise ? RunKind::Noise : RunKind::Swr, readings,
                       m_tuneRun.isRunning() ? std::nullopt : m_tuneRun.angleTenths());
}

void showFollowingIndicator(QWidget* indicator, const RigFollower& follower)
{
    const RigFollower::Status status = follower.status();
    indicator->setVisible(status != RigFollower::Status::Off);
    paintIndicator(indicator,
                   status == RigFollower::Status::Following ? IndicatorColour::Green : IndicatorColour::Orange);
    indicator->setToolTip(follower.statusText());
    indicator->setAccessibleDescription(follower.statusText());
}
