#include "MainWindow.h"

#include "AboutWindow.h"
#include "AnglePositioning.h"
#include "BoardSession.h"
#include "Charts.h"
#include "CommandSender.h"
#include "ConnectionFrame.h"
#include "GlobalSettings.h"
#include "GuardClient.h"
#include "LearnWindow.h"
#include "MemoryPanel.h"
#include "MemoryStore.h"
#include "Pictures.h"
#include "Platform.h"
#include "ProgramDirectory.h"
#include "ReplyDisplay.h"
#include "RigFollower.h"
#include "RigLink.h"
#include "RigWindow.h"
#include "SerialLink.h"
#include "ServoSetupPanel.h"
#include "SettingsEditor.h"
#include "SingleInstance.h"
#include "TuneRun.h"
#include "WindowPlacement.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QLayout>
#include <QScreen>
#include <QWindow>

#include <cmath>

MainWindow::MainWindow(QString programDirectory, GlobalSettings& settings, SerialLink& link, BoardSession& session,
                       Platform& platform, QWidget* parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::VELTRANO>())
    , m_programDirectory(std::move(programDirectory))
    , m_settings(settings)
    , m_link(link)
    , m_session(session)
    , m_platform(platform)
{
    m_session.setLinkOpen(m_link.isOpen());
    connect(&m_link, &SerialLink::openChanged, &m_session, &BoardSession::setLinkOpen);
    // The picture decodes while the form is built, which waits mostly on the font database.
    m_backgroundPicture = readPictureInBackground(path_IMMAGINE());
    m_ui->setupUi(this);
    // The window keeps the size of its form.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    createControllers();
    connectControllers();
    connectRig();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &MainWindow::trackFocusWindow);
    connect(m_ui->setta_INI, &QAction::triggered, this, &MainWindow::openSettingsEditor);
    connect(m_ui->INFO_PROC, &QAction::triggered, this, &MainWindow::openAboutWindow);
    connect(m_ui->ESCE, &QPushButton::clicked, this, &MainWindow::exitProgram);
}

MainWindow::~MainWindow()
{
    // A radio transmitting for a tune run is unkeyed before the link goes, and a learning one gets its
    // frequency back too.
    m_learnRun->programEnding();
    m_tuneRun->programEnding();
    // The controllers hold pointers into the form: they go first, while every control is still there.
    delete m_learnWindow;
    delete m_rigWindow;
    delete m_tuningChart;
    delete m_servoSetup;
    delete m_positioning;
    delete m_memories;
    delete m_replies;
    delete m_connection;
}

void MainWindow::createControllers()
{
    Ui::VELTRANO& ui = *m_ui;
    QWidget* window = ui.centralwidget;
    m_sender = std::make_unique<CommandSender>(*ui.COMANDO, m_link);
    m_connection = new ConnectionFrame({window, ui.porta_com, ui.Frame2, ui.cboPort, ui.cboBaudrate, ui.CON_DISCON,
                                        ui.Label3, ui.CHIUDE_WIN_PORTA, ui.ABILI, ui.Frame1},
                                       m_link, m_settings, m_platform, this);
    m_replies = new ReplyDisplay({ui.COMANDO, ui.RISPOSTA, ui.Text2}, m_link, this);
    m_memories = new MemoryPanel({this, ui.MEMO, ui.Shape_MEMO, ui.monitor_MEM, ui.FREQ, ui.METERBAND, ui.modeMEMO,
                                  ui.modeop, ui.MEM_VALIDA, ui.esporta_memorie, ui.importa_memorie},
                                 m_session, m_settings, m_platform, m_programDirectory, path_ICONA(), this);
    m_positioning = new AnglePositioning({window, ui.Command1, ui.Shape_RX, ui.ANGLE, ui.SETTA_ANGOLO, ui.S_piu,
                                          ui.S_meno, ui.PULISCE, ui.COMANDO, ui.RISPOSTA},
                                         m_session, *m_sender, m_settings, m_platform, this);
    m_servoSetup =
        new ServoSetupPanel({window, ui.setta_servo, ui.Frame4, ui.presetta, ui.TextMotor, ui.min_rot, ui.max_rot,
                             ui.cboMove, ui.ESEGUE_SET, ui.Command3, ui.cmdesci, ui.Text1, ui.Shape1, ui.Text2},
                            m_session, m_link, *m_sender, m_settings, m_platform, m_programDirectory, this);
}

void MainWindow::connectControllers()
{
    QWidget* commandFrame = m_ui->Frame1;

    connect(m_positioning, &AnglePositioning::setupSendRequested, m_servoSetup,
            [this] { m_servoSetup->setupSend(true); });

    connect(m_memories, &MemoryPanel::memoryFunctionOpened, m_positioning,
            [this] { m_positioning->setAngleEntryEnabled(false); });
    connect(m_memories, &MemoryPanel::memoryFunctionClosed, m_positioning,
            [this] { m_positioning->setAngleEntryEnabled(true); });
    connect(m_memories, &MemoryPanel::memoryRecalled, m_positioning, &AnglePositioning::showRecalled);

    connect(&m_session, &BoardSession::linkOpenChanged, commandFrame, [commandFrame](bool open) {
        if (open)
            commandFrame->show();
    });
    connect(m_connection, &ConnectionFrame::disconnected, commandFrame, &QWidget::hide);
    connect(m_connection, &ConnectionFrame::connectionRequested, m_servoSetup, &ServoSetupPanel::markResultsStale);

    connect(m_servoSetup, &ServoSetupPanel::panelOpened, commandFrame, &QWidget::hide);
    connect(m_servoSetup, &ServoSetupPanel::panelClosed, this, [this, commandFrame] {
        m_positioning->clearLineFields();
        commandFrame->show();
    });
    connect(m_servoSetup, &ServoSetupPanel::storedPresetLoaded, m_connection,
            &ConnectionFrame::offerStoredPortForReconnect);
    connect(m_servoSetup, &ServoSetupPanel::freePresetLoaded, this, [this] {
        m_connection->offerFreePortChoice();
        m_positioning->repeatSetupSend();
    });
}

void MainWindow::connectRig()
{
    m_rigLink = new RigLink(this);
    m_rigFollower = new RigFollower(m_session, this);
    connect(m_rigLink, &RigLink::frequencyChanged, m_rigFollower, &RigFollower::setFrequency);
    connect(m_rigFollower, &RigFollower::sendRequested, m_positioning, &AnglePositioning::sendChosenAngle);
    connect(m_rigFollower, &RigFollower::changed, this,
            [this] { showFollowingIndicator(m_ui->Shape_RIG, *m_rigFollower); });
    connect(m_ui->setta_RIG, &QAction::triggered, this, &MainWindow::openRigWindow);
    connect(m_ui->grafico_memorie, &QAction::triggered, this, &MainWindow::openTuningChart);

    // Tuning by SWR moves the servo through the same send as following, and following waits meanwhile.
    m_tuneRun = new TuneRun(*m_rigLink, m_session, this);
    connect(m_tuneRun, &TuneRun::moveRequested, m_positioning, &AnglePositioning::sendChosenAngle);
    connect(m_tuneRun, &TuneRun::finished, this, &MainWindow::tuneEnded);

    // Where TUNE may transmit, the guard runs for the session from the first connection to rigctld
    // on, so it is ready before the first key-up.
    m_guard = new GuardClient(GuardClient::programBesideThisOne(), this);
    m_tuneRun->setGuard(m_guard);
    connect(m_rigLink, &RigLink::stateChanged, m_guard, [this](RigChannel::State state) {
        if (state == RigChannel::State::Connected && m_settings.rig.TUNE_TX)
            m_guard->start(m_rigLink->host(), m_rigLink->port());
    });

    // Learning a band tunes through the same run, point after point; following waits meanwhile.
    m_learnRun = new LearnRun(*m_rigLink, *m_tuneRun, this);
    connect(m_learnRun, &LearnRun::finished, this, &MainWindow::learnEnded);
    connect(m_ui->learnBand, &QAction::triggered, this, &MainWindow::openLearnWindow);
}

void MainWindow::tuneEnded()
{
    if (m_learnRun->isRunning())
        return;
    const auto tuned = m_tuneRun->tunedTenths();
    if (tuned && m_tuneRun->frequencyHz() > 0)
        m_rigFollower->teachOffset(double(m_tuneRun->frequencyHz()) / 1000, *tuned);
    m_rigFollower->tuneEnded(tuned.has_value());
}

void MainWindow::openLearnWindow()
{
    showSingleInstance(m_learnWindow, [this] {
        auto* window =
            new LearnWindow(*m_learnRun, *m_rigLink, m_session, m_settings.rig, m_platform, path_ICONA(), this);
        connect(window, &LearnWindow::learnRequested, this, &MainWindow::startLearn);
        return window;
    });
}

void MainWindow::startLearn(const LearnRun::Plan& plan)
{
    if (m_tuneRun->isRunning() || m_tuneRun->isRestoreOwed()) {
        m_platform.message(m_learnWindow,
                           m_tuneRun->isRunning()
                               ? QStringLiteral("A TUNE or PEAK run is on: stop it first.")
                               : QStringLiteral("Waiting for rigctld: the radio is to stop transmitting and get its "
                                                "settings back first."),
                           QStringLiteral("LEARN BAND"), MessageIcon::Critical);
        return;
    }
    const auto degrees = m_session.sentDegrees();
    if (!degrees) {
        m_platform.message(m_learnWindow, QStringLiteral("Send the servo an angle first, or let it follow the radio."),
                           QStringLiteral("LEARN BAND"), MessageIcon::Critical);
        return;
    }
    LearnRun::Plan learning = plan;
    learning.tune = tunePlan(TuneRun::Method::BySwr);
    m_rigFollower->tuneStarted();
    m_learnRun->start(learning, int(std::lround(*degrees * 10)));
}

void MainWindow::learnEnded()
{
    if (storeLearnedPoints(*m_learnRun, memoryFilePath(m_programDirectory, m_settings), QDate::currentDate(),
                           m_platform, m_learnWindow)) {
        m_memories->showChangedMemories();
        m_rigFollower->forgetOffset(m_learnRun->plan().band);
    }
    m_rigFollower->tuneEnded(false);
}

void MainWindow::startTune(TuneRun::Method method)
{
    // From where the servo stands: the angle last sent, by hand or by following.
    const auto degrees = m_session.sentDegrees();
    if (!degrees) {
        m_platform.message(m_rigWindow, QStringLiteral("Send the servo an angle first, or let it follow the radio."),
                           method == TuneRun::Method::ByNoise ? QStringLiteral("PEAK") : QStringLiteral("TUNE"),
                           MessageIcon::Critical);
        return;
    }
    if (m_learnRun->isRunning())
        return;
    m_rigFollower->tuneStarted();
    m_tuneRun->start(tunePlan(method), int(std::lround(*degrees * 10)));
}

TuneRun::Plan MainWindow::tunePlan(TuneRun::Method method) const
{
    const RigSettings& rig = m_settings.rig;
    TuneRun::Plan plan;
    plan.method = method;
    plan.powerPercent = rig.TUNE_POWER;
    plan.mode = rig.TUNE_MODE;
    plan.maxSeconds = rig.TUNE_MAX_S;
    plan.settleMs = rig.TUNE_SETTLE_MS;
    plan.peakSettleMs = rig.PEAK_SETTLE_MS;
    plan.lowestTenths = m_settings.MINROT * 10;
    plan.highestTenths = m_settings.MAXROT * 10;
    return plan;
}

void MainWindow::startRigFollowing()
{
    const RigSettings& rig = m_settings.rig;
    m_rigFollower->setMemoryFile(memoryFilePath(m_programDirectory, m_settings));
    m_rigFollower->setDriftHours(rig.DRIFT_HOURS);
    if (rig.FOLLOW) {
        m_rigFollower->setFollowing(true);
        m_rigLink->start(rig.HOST, quint16(rig.PORT), rig.POLL_MS);
    }
}

void MainWindow::openRigWindow()
{
    showSingleInstance(m_rigWindow, [this] {
        auto* window = new RigWindow(*m_rigLink, *m_rigFollower, *m_tuneRun, m_settings.rig,
                                     QDir(m_programDirectory).filePath(QString::fromLatin1(SettingsFileName)),
                                     m_platform, path_ICONA(), this);
        connect(window, &RigWindow::tuneRequested, this, &MainWindow::startTune);
        connect(window, &RigWindow::storeRequested, m_memories, &MemoryPanel::storeTuning);
        return window;
    });
}

// Qt Charts loads with the first chart, not at start-up.
void MainWindow::openTuningChart()
{
    showSingleInstance(m_tuningChart, [this]() -> QWidget* {
        QPointer<MemoryPanel> memories = m_memories;
        QWidget* window = charts().tuningChart(
            memoryFilePath(m_programDirectory, m_settings), *m_rigFollower, m_session, m_platform, path_ICONA(),
            [memories](int number) {
                if (memories)
                    memories->showMemory(number);
            },
            this);
        if (!window)
            m_platform.message(this, QStringLiteral("The charts cannot be loaded: %1").arg(chartsProblem()),
                               QStringLiteral("TUNING CHART"), MessageIcon::Critical);
        return window;
    });
}

void MainWindow::exitProgram()
{
    // A radio transmitting for a tune run is unkeyed and given back its settings first, before the
    // pause of the attach line. The servo is left attached with its stored values, then everything
    // is let go at once.
    m_learnRun->programEnding();
    m_tuneRun->programEnding();
    if (m_link.isOpen()) {
        ESEGUE_ATTACH_SERVO();
        m_link.close();
    }
    releaseMemoryStore();
    m_platform.endProcess(0);
}

void MainWindow::releaseMemoryStore()
{
    m_memories->releaseStore();
}

void MainWindow::ESEGUE_ATTACH_SERVO()
{
    m_servoSetup->ESEGUE_ATTACH_SERVO();
}

QString MainWindow::path_IMMAGINE() const
{
    return joinProgramPath(m_programDirectory, QStringLiteral("\\images\\veltrano.bmp"));
}

QString MainWindow::path_ICONA() const
{
    return joinProgramPath(m_programDirectory, QStringLiteral("\\images\\iconvel.ico"));
}

bool MainWindow::load()
{
    setWindowTitle(Caption);
    if (const auto problem = carica_ini(m_programDirectory, m_settings)) {
        m_platform.message(m_ui->centralwidget, problem->message(), SettingsErrorTitle, MessageIcon::Critical);
        m_platform.endProcess(1);
        return false;
    }
    DISABILITA_COMANDI();
    m_connection->showStoredPortAndSpeed();
    loadPictures();
    m_link.setPortMap(PortMap(m_settings.portDevices));
    if (!m_connection->APRI_COMM())
        return false;
    startRigFollowing();
    return true;
}

void MainWindow::loadPictures()
{
    if (m_backgroundPicture.valid())
        showBackgroundPicture(m_ui->centralwidget, m_backgroundPicture.get());
    showWindowIcon(this, path_ICONA());
}

void MainWindow::openSettingsEditor()
{
    showSingleInstance(m_settingsEditor, [this] {
        return new SettingsEditor(m_programDirectory, m_settings, m_platform, path_ICONA(), this);
    });
}

void MainWindow::openAboutWindow()
{
    showSingleInstance(m_aboutWindow, [this] {
        return new AboutWindow(m_settings.RELEASE,
                               joinProgramPath(m_programDirectory, QStringLiteral("\\images\\info.bmp")), path_ICONA(),
                               this);
    });
}

void MainWindow::DISABILITA_COMANDI()
{
    m_positioning->setIdle();
    paintIndicator(m_ui->Shape_Tx, palette().color(QPalette::Button));
    m_ui->Shape_Tx->hide();
    m_memories->hideMonitor();
}

void MainWindow::activate()
{
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - frameGeometry().width()) / 2,
             area.y() + (area.height() - frameGeometry().height()) / 2);
    }
    m_connection->CARICA_LISTE();
    m_servoSetup->fillMoveModes();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        activate();
    }
}

void MainWindow::trackFocusWindow(QWindow* focused)
{
    if (!focused)
        return;
    if (focused != windowHandle()) {
        const QWidget* widget = nullptr;
        for (QWidget* topLevel : QApplication::topLevelWidgets()) {
            if (topLevel->windowHandle() == focused)
                widget = topLevel;
        }
        m_focusCameFromOwnWindow = isSecondaryWindow(widget);
        return;
    }
    if (m_focusCameFromOwnWindow) {
        m_focusCameFromOwnWindow = false;
        activate();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_link.close();
    QMainWindow::closeEvent(event);
}
