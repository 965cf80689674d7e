#include "ConnectionFrame.h"

#include "GlobalSettings.h"
#include "KeyFilter.h"
#include "NumberText.h"
#include "Platform.h"
#include "SerialLink.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QStringList BaudRates = {QStringLiteral("110"),   QStringLiteral("300"),   QStringLiteral("600"),
                               QStringLiteral("1200"),  QStringLiteral("2400"),  QStringLiteral("4800"),
                               QStringLiteral("9600"),  QStringLiteral("14400"), QStringLiteral("19200"),
                               QStringLiteral("28800"), QStringLiteral("38400"), QStringLiteral("56000"),
                               QStringLiteral("57600"), QStringLiteral("115200")};

QString buttonCaption(ConnectionFrame::State state)
{
    return state == ConnectionFrame::State::Connected ? QStringLiteral("&Disconnect") : QStringLiteral("&Connect");
}

} // namespace

ConnectionFrame::ConnectionFrame(const Widgets& widgets, SerialLink& link, const GlobalSettings& settings,
                                 Platform& platform, QObject* parent)
    : QObject(parent)
    , m_ui(widgets)
    , m_link(link)
    , m_settings(settings)
    , m_platform(platform)
{
    connect(m_ui.CON_DISCON, &QPushButton::clicked, this, &ConnectionFrame::connectOrDisconnect);
    connect(m_ui.CHIUDE_WIN_PORTA, &QPushButton::clicked, this, &ConnectionFrame::closeFrame);
    connect(m_ui.porta_com, &QAction::triggered, this, &ConnectionFrame::showFrame);
    connect(m_ui.ABILI, &QPushButton::clicked, this, &ConnectionFrame::toggleFieldsEnabled);
    connect(&m_link, &SerialLink::connectionLost, this, &ConnectionFrame::onConnectionLost);
    connect(&m_link, &SerialLink::openFinished, this, &ConnectionFrame::finishConnect);
    // Typing reaches the edit field directly when it has the focus, through the list otherwise.
    for (QComboBox* list : {m_ui.cboPort, m_ui.cboBaudrate}) {
        auto* filter = new NumericKeyFilter(list);
        list->installEventFilter(filter);
        list->lineEdit()->installEventFilter(filter);
    }
}

void ConnectionFrame::setState(State state)
{
    m_state = state;
    m_ui.CON_DISCON->setText(buttonCaption(state));
}

bool ConnectionFrame::APRI_COMM()
{
    m_link.setCommPort(m_settings.PORTACOM);
    m_link.setHandshakingNone();
    m_link.setRThreshold(1);
    m_link.setRTSEnable(true);
    bool opened = m_link.setSettings(m_settings.PORTACOMSET);
    if (opened) {
        m_link.setSThreshold(1);
        opened = m_link.open();
    }
    if (!opened) {
        m_platform.message(m_ui.window,
                           QStringLiteral("ERRORE IMPOSTAZIONE PORTA.\n\r\n\rLa Porta in VELTRANO.INI  Non "
                                          "corrisponde\n\ra quella rlevata in Gestione Dispositivi del PC"),
                           QStringLiteral(" Errore : %1").arg(m_link.errorNumber()), MessageIcon::Critical);
        m_platform.endProcess(1);
        return false;
    }
    showOpenPort();
    setState(State::Connected);
    return true;
}

void ConnectionFrame::CARICA_LISTE()
{
    m_ui.cboPort->clear();
    for (int number = 1; number <= 20; ++number) {
        m_ui.cboPort->addItem(QStringLiteral("COM%1").arg(number));
        // Tell which device each number stands for on this machine.
        m_ui.cboPort->setItemData(number - 1, m_link.portMap().device(number), Qt::ToolTipRole);
    }
    m_ui.cboBaudrate->clear();
    m_ui.cboBaudrate->addItems(BaudRates);
    // Refilling an editable list selects its first item; the texts stay empty until an action sets them.
    m_ui.cboPort->setEditText(QString());
    m_ui.cboBaudrate->setEditText(QString());
}

void ConnectionFrame::connectOrDisconnect()
{
    if (m_ui.cboPort->currentText().isEmpty()) {
        m_platform.message(m_ui.window, QStringLiteral("It is necessary to indicate the COMM port in use"),
                           QStringLiteral("COMM PORT SETTING ERROR"), MessageIcon::Critical);
        return;
    }
    if (m_ui.cboBaudrate->currentText().isEmpty()) {
        m_platform.message(m_ui.window, QStringLiteral("It is necessary to indicate the Boudarate"),
                           QStringLiteral("CONNECTION SPEED ERROR"), MessageIcon::Critical);
        return;
    }
    emit connectionRequested();

    if (m_state == State::Connected) {
        // With the port already closed, pressing it only resets the set-up results.
        if (m_link.isOpen()) {
            m_link.close();
            m_ui.Label3->clear();
            setState(State::Disconnected);
            emit disconnected();
        }
        return;
    }

    m_link.close();
    m_ui.Label3->clear();
    const QString portText = m_ui.cboPort->currentText();
    // "COM7" names port 7; the bare digits the frame shows keep the port last opened.
    if (portText.size() > 3) {
        const double number = leadingNumberValue(QStringView(portText).mid(3));
        if (number >= PortNumbers.minimum && number <= PortNumbers.maximum)
            m_link.setCommPort(int(number));
    }
    // A speed the port refuses leaves the previous settings; the operator hears why, and the label
    // then shows the speed really in use.
    QString refused;
    if (!m_link.setSettings(m_ui.cboBaudrate->currentText().trimmed() + QStringLiteral(",n,8,1"), &refused)) {
        m_platform.message(m_ui.window,
                           QStringLiteral("Unable to use this speed: the port opens with its previous settings.\r\n") +
                               refused,
                           QStringLiteral("CONNECTION SPEED ERROR"), MessageIcon::Critical);
    }
    m_link.setRThreshold(1);

    // A network port answers later: the button waits with it, so a second click cannot cross the first.
    m_ui.CON_DISCON->setEnabled(false);
    m_connecting = true;
    m_link.beginOpen();
}

void ConnectionFrame::finishConnect(bool opened, const QString& error)
{
    if (!std::exchange(m_connecting, false))
        return; // the start-up open, which APRI_COMM answers itself
    m_ui.CON_DISCON->setEnabled(true);
    if (opened) {
        showOpenPort();
        setState(State::Connected);
        return;
    }
    m_platform.message(m_ui.window, QStringLiteral("Unable to open port: Check connections.\r\n") + error,
                       QStringLiteral("DISCONNECT"), MessageIcon::Critical);
    m_ui.Label3->clear();
    setState(State::Disconnected);
    // The operator chose to work with the board again; the frame stays for the next try.
    m_ui.Frame1->show();
}

void ConnectionFrame::closeFrame()
{
    m_ui.Frame2->hide();
    if (m_ui.Frame1->isHidden()) {
        m_platform.message(m_ui.window,
                           QStringLiteral("         ARDUINO is disconnected!\r\rOPEN COMMUNICATION or EXIT"), QString(),
                           MessageIcon::None);
    }
}

void ConnectionFrame::showFrame()
{
    m_ui.Frame2->show();
    showStoredPortAndSpeed();
}

void ConnectionFrame::showStoredPortAndSpeed()
{
    m_ui.cboPort->setEditText(QString::number(m_settings.PORTACOM));
    m_ui.cboBaudrate->setEditText(m_settings.PORTACOMSET.section(u',', 0, 0));
}

void ConnectionFrame::offerStoredPortForReconnect()
{
    m_ui.Label3->clear();
    // The port stays open; pressing the button closes it and opens it again with these values.
    setState(State::Disconnected);
    m_ui.cboBaudrate->setEnabled(false);
    m_ui.cboPort->setEnabled(false);
    m_ui.cboPort->setEditText(QStringLiteral("COM%1").arg(m_settings.PORTACOM));
    m_ui.cboBaudrate->setEditText(QString::number(m_settings.BAUD));
}

void ConnectionFrame::offerFreePortChoice()
{
    m_ui.Label3->clear();
    m_ui.cboBaudrate->setEnabled(true);
    m_ui.cboBaudrate->setEditText(QString());
    m_ui.cboPort->setEnabled(true);
    m_ui.cboPort->setEditText(QString());
}

void ConnectionFrame::toggleFieldsEnabled()
{
    const bool enable = !m_ui.cboPort->isEnabled();
    m_ui.cboPort->setEnabled(enable);
    m_ui.cboBaudrate->setEnabled(enable);
}

void ConnectionFrame::showOpenPort()
{
    m_ui.Label3->show();
    m_ui.Label3->setText(QStringLiteral("OPEN -> COM%1,%2").arg(m_link.commPort()).arg(m_link.settings()));
    m_ui.Label3->setToolTip(m_link.device());
}

void ConnectionFrame::onConnectionLost(const QString& reason)
{
    m_ui.Label3->clear();
    setState(State::Disconnected);
    emit disconnected();
    m_ui.Frame2->show();
    m_platform.message(m_ui.window,
                       QStringLiteral("The connection to ARDUINO on COM%1 was lost.\r\r%2\r\rCheck the cable, "
                                      "then press \"Connect\".")
                           .arg(m_link.commPort())
                           .arg(reason),
                       QStringLiteral("CONNECTION LOST"), MessageIcon::Critical);
}
