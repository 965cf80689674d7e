#include "ConnectionFrame.h"

#include "GlobalSettings.h"
#include "Indicators.h"
#include "KeyFilter.h"
#include "NumberText.h"
#include "Platform.h"
#include "SerialLink.h"
#include "ui_mainwindow.h"

namespace {

const QString Connect = QStringLiteral("&Connect");
const QString Disconnect = QStringLiteral("&Disconnect");
const QColor LightGrey(0xC0, 0xC0, 0xC0);

const QStringList BaudRates = {QStringLiteral("110"),   QStringLiteral("300"),   QStringLiteral("600"),
                               QStringLiteral("1200"),  QStringLiteral("2400"),  QStringLiteral("4800"),
                               QStringLiteral("9600"),  QStringLiteral("14400"), QStringLiteral("19200"),
                               QStringLiteral("28800"), QStringLiteral("38400"), QStringLiteral("56000"),
                               QStringLiteral("57600"), QStringLiteral("115200")};

} // namespace

ConnectionFrame::ConnectionFrame(Ui::VELTRANO& ui, SerialLink& link, const GlobalSettings& settings, Platform& platform,
                                 QObject* parent)
    : QObject(parent)
    , m_ui(ui)
    , m_link(link)
    , m_settings(settings)
    , m_platform(platform)
{
    connect(m_ui.CON_DISCON, &QPushButton::clicked, this, &ConnectionFrame::connectOrDisconnect);
    connect(m_ui.CHIUDE_WIN_PORTA, &QPushButton::clicked, this, &ConnectionFrame::closeFrame);
    connect(m_ui.porta_com, &QAction::triggered, this, &ConnectionFrame::showFrame);
    connect(m_ui.ABILI, &QPushButton::clicked, this, &ConnectionFrame::toggleFieldsEnabled);
    connect(&m_link, &SerialLink::connectionLost, this, &ConnectionFrame::onConnectionLost);
    // Typing reaches the edit field directly when it has the focus, through the list otherwise.
    for (QComboBox* list : {m_ui.cboPort, m_ui.cboBaudrate}) {
        auto* filter = new NumericKeyFilter(list);
        list->installEventFilter(filter);
        list->lineEdit()->installEventFilter(filter);
    }
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
        m_platform.message(m_ui.centralwidget,
                           QStringLiteral("ERRORE IMPOSTAZIONE PORTA.\n\r\n\rLa Porta in VELTRANO.INI  Non "
                                          "corrisponde\n\ra quella rlevata in Gestione Dispositivi del PC"),
                           QStringLiteral(" Errore : %1").arg(m_link.errorNumber()), MessageIcon::Critical);
        m_platform.endProcess(1);
        return false;
    }
    showOpenPort();
    m_ui.CON_DISCON->setText(Disconnect);
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
    m_ui.cboMove->clear();
    m_ui.cboMove->addItems({QStringLiteral("Up/Down"), QStringLiteral("Continuo")});
    // Clearing an editable list selects its first item again once items arrive; the texts stay empty.
    m_ui.cboPort->setEditText(QString());
    m_ui.cboBaudrate->setEditText(QString());
    m_ui.cboMove->setEditText(QString());
}

void ConnectionFrame::connectOrDisconnect()
{
    if (m_ui.cboPort->currentText().isEmpty()) {
        m_platform.message(m_ui.centralwidget, QStringLiteral("It is necessary to indicate the COMM port in use"),
                           QStringLiteral("COMM PORT SETTING ERROR"), MessageIcon::Critical);
        return;
    }
    if (m_ui.cboBaudrate->currentText().isEmpty()) {
        m_platform.message(m_ui.centralwidget, QStringLiteral("It is necessary to indicate the Boudarate"),
                           QStringLiteral("CONNECTION SPEED ERROR"), MessageIcon::Critical);
        return;
    }
    paintIndicator(m_ui.Shape1, LightGrey);
    m_ui.Text1->clear();
    m_ui.Text2->clear();

    if (m_ui.CON_DISCON->text() == Disconnect) {
        if (m_link.isOpen()) {
            m_link.close();
            m_ui.Label3->clear();
            enableSetupSend(false);
            m_ui.Frame1->hide();
            m_ui.CON_DISCON->setText(Connect);
        }
        return;
    }

    m_link.close();
    m_ui.Label3->clear();
    const QString portText = m_ui.cboPort->currentText();
    if (portText.size() > 3) {
        const double number = leadingNumberValue(QStringView(portText).mid(3));
        if (number >= 1 && number <= 255)
            m_link.setCommPort(int(number));
    }
    m_link.setSettings(m_ui.cboBaudrate->currentText().trimmed() + QStringLiteral(",n,8,1"));
    m_link.setRThreshold(1);

    QString error;
    if (m_link.open(&error)) {
        showOpenPort();
        m_ui.CON_DISCON->setText(Disconnect);
        m_ui.Frame1->show();
        enableSetupSend(true);
        return;
    }
    m_platform.message(m_ui.centralwidget, QStringLiteral("Unable to open port: Check connections.\r\n") + error,
                       QStringLiteral("DISCONNECT"), MessageIcon::Critical);
    enableSetupSend(false);
    m_ui.Label3->clear();
    m_ui.CON_DISCON->setEnabled(true);
    m_ui.CON_DISCON->setText(Connect);
}

void ConnectionFrame::closeFrame()
{
    m_ui.Frame2->hide();
    if (m_ui.Frame1->isHidden()) {
        m_platform.message(m_ui.centralwidget,
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

void ConnectionFrame::enableSetupSend(bool enabled)
{
    m_ui.ESEGUE_SET->setEnabled(enabled);
    m_ui.Command3->setEnabled(enabled);
}

void ConnectionFrame::onConnectionLost(const QString& reason)
{
    m_ui.Label3->clear();
    enableSetupSend(false);
    m_ui.Frame1->hide();
    m_ui.CON_DISCON->setText(Connect);
    m_ui.Frame2->show();
    m_platform.message(m_ui.centralwidget,
                       QStringLiteral("The connection to ARDUINO on COM%1 was lost.\r\r%2\r\rCheck the cable, "
                                      "then press \"Connect\".")
                           .arg(m_link.commPort())
                           .arg(reason),
                       QStringLiteral("CONNECTION LOST"), MessageIcon::Critical);
}
