#include "MainWindow.h"

#include "AboutWindow.h"
#include "AnglePositioning.h"
#include "ConnectionFrame.h"
#include "GlobalSettings.h"
#include "MemoryPanel.h"
#include "Pictures.h"
#include "Platform.h"
#include "ProgramDirectory.h"
#include "ReplyDisplay.h"
#include "SerialLink.h"
#include "ServoSetupPanel.h"
#include "SettingsEditor.h"
#include "SingleInstance.h"
#include "WindowPlacement.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QScreen>
#include <QWindow>

MainWindow::MainWindow(QString programDirectory, GlobalSettings& settings, SerialLink& link, Platform& platform,
                       QWidget* parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::VELTRANO>())
    , m_programDirectory(std::move(programDirectory))
    , m_settings(settings)
    , m_link(link)
    , m_platform(platform)
{
    m_ui->setupUi(this);
    // The window keeps the size of its form.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    m_connection = new ConnectionFrame(*m_ui, m_link, m_settings, m_platform, this);
    m_replies = new ReplyDisplay(*m_ui, m_link, this);
    m_memories = new MemoryPanel(*m_ui, m_settings, m_platform, m_colours, m_programDirectory, path_ICONA(), this);
    m_positioning = new AnglePositioning(*m_ui, m_link, m_settings, m_platform, m_colours, this);
    m_servoSetup = new ServoSetupPanel(*m_ui, m_link, m_settings, m_platform, m_colours, m_programDirectory, this);
    connect(m_positioning, &AnglePositioning::setupSendRequested, m_servoSetup,
            [this] { m_servoSetup->setupSend(true); });
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &MainWindow::trackFocusWindow);
    connect(m_ui->setta_INI, &QAction::triggered, this, &MainWindow::openSettingsEditor);
    connect(m_ui->INFO_PROC, &QAction::triggered, this, &MainWindow::openAboutWindow);
    connect(m_ui->ESCE, &QPushButton::clicked, this, &MainWindow::exitProgram);
}

MainWindow::~MainWindow()
{
    // The controllers work on the form: they go first, while every control is still there.
    delete m_servoSetup;
    delete m_positioning;
    delete m_memories;
    delete m_replies;
    delete m_connection;
}

void MainWindow::exitProgram()
{
    // The servo is left attached with its stored values, then everything is let go at once.
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
    return m_connection->APRI_COMM();
}

void MainWindow::loadPictures()
{
    showBackgroundPicture(m_ui->centralwidget, path_IMMAGINE());
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
    m_ui->S_piu->setEnabled(false);
    m_ui->S_meno->setEnabled(false);
    m_ui->MEMO->setEnabled(false);
    m_ui->COMANDO->clear();
    m_ui->RISPOSTA->clear();
    m_ui->PULISCE->setEnabled(false);
    m_ui->ANGLE->clear();
    m_ui->COMANDO->setEnabled(false);
    m_ui->RISPOSTA->setEnabled(false);
    m_ui->ANGLE->setEnabled(false);
    m_ui->SETTA_ANGOLO->setEnabled(false);
    paintIndicator(m_ui->Shape_RX, m_colours.grey);
    paintIndicator(m_ui->Shape_Tx, palette().color(QPalette::Button));
    m_ui->Shape_Tx->hide();
    m_ui->Command1->setText(QStringLiteral("OFF"));
    m_ui->monitor_MEM->hide();
    // The memory function starts switched off.
    paintIndicator(m_ui->Shape_MEMO, m_colours.grey);
}

void MainWindow::activate()
{
    m_colours = ColourValues();
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - frameGeometry().width()) / 2,
             area.y() + (area.height() - frameGeometry().height()) / 2);
    }
    m_connection->CARICA_LISTE();
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
