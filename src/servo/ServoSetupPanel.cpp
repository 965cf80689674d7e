#include "ServoSetupPanel.h"

#include "CommandLine.h"
#include "GlobalSettings.h"
#include "Indicators.h"
#include "KeyFilter.h"
#include "NumberText.h"
#include "Platform.h"
#include "SerialLink.h"
#include "ServoSwitch.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QKeyEvent>

#include <chrono>

namespace {

// The panel's opening writes the movement mode differently from every other action.
const QString OpeningMoveMode = QStringLiteral("180 °  Up-Down");
const QString MoveMode = QStringLiteral("180° Up-Down");
const QString ConnectCaption = QStringLiteral("&Connect");

} // namespace

ServoSetupPanel::ServoSetupPanel(Ui::VELTRANO& ui, SerialLink& link, GlobalSettings& settings, Platform& platform,
                                 const ColourValues& colours, QString programDirectory, QObject* parent)
    : QObject(parent)
    , m_ui(ui)
    , m_link(link)
    , m_sender(*ui.COMANDO, link)
    , m_settings(settings)
    , m_platform(platform)
    , m_colours(colours)
    , m_programDirectory(std::move(programDirectory))
{
    paintIndicator(m_ui.Shape1, m_colours.grey);
    connect(m_ui.setta_servo, &QAction::triggered, this, &ServoSetupPanel::openPanel);
    // The box's change handling runs for every change of the tick, by the operator or by code.
    connect(m_ui.presetta, &QCheckBox::toggled, this, &ServoSetupPanel::presetChanged);
    m_ui.presetta->installEventFilter(this);
    connect(m_ui.ESEGUE_SET, &QPushButton::clicked, this, [this] { setupSend(false); });
    connect(m_ui.Command3, &QPushButton::clicked, this, &ServoSetupPanel::clearResults);
    connect(m_ui.cmdesci, &QPushButton::clicked, this, &ServoSetupPanel::closePanel);
    for (QLineEdit* field : {m_ui.TextMotor, m_ui.min_rot, m_ui.max_rot})
        NumericKeyFilter::install(field);
}

bool ServoSetupPanel::eventFilter(QObject* watched, QEvent* event)
{
    // A key reaches this handling before the box toggles, which it does only when the key is released.
    if (watched == m_ui.presetta && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool movesFocus = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (!key->text().isEmpty() && !movesFocus) {
            if (m_ui.presetta->isChecked())
                CARICA_PRESET();
            else
                LIBERA_PRESET();
        }
    }
    return QObject::eventFilter(watched, event);
}

void ServoSetupPanel::openPanel()
{
    paintIndicator(m_ui.Shape1, m_colours.grey);
    m_ui.cboMove->setEditText(OpeningMoveMode);
    m_ui.Frame4->show();
    m_ui.Frame1->hide();
    enableSendButtons();
    showStoredValues();
    setValueFieldsEnabled(!m_ui.presetta->isChecked());
}

void ServoSetupPanel::presetChanged()
{
    enableSendButtons();
    showStoredValues();
    m_ui.cboMove->setEnabled(false);
    setValueFieldsEnabled(!m_ui.presetta->isChecked());
}

void ServoSetupPanel::CARICA_PRESET()
{
    m_ui.Label3->clear();
    m_ui.CON_DISCON->setText(ConnectCaption);
    m_ui.cboBaudrate->setEnabled(false);
    m_ui.cboPort->setEnabled(false);
    m_ui.cboPort->setEditText(QStringLiteral("COM%1").arg(m_settings.PORTACOM));
    m_ui.cboBaudrate->setEditText(QString::number(m_settings.BAUD));
    m_ui.ESEGUE_SET->setEnabled(false);
    showStoredValues();
    setValueFieldsEnabled(false);
    lockMoveMode();
}

void ServoSetupPanel::LIBERA_PRESET()
{
    m_ui.Label3->clear();
    m_ui.Command1->setText(ServoSwitch::Connect);
    m_ui.cboBaudrate->setEnabled(true);
    m_ui.cboBaudrate->setEditText(QString());
    m_ui.cboPort->setEnabled(true);
    m_ui.cboPort->setEditText(QString());
    m_ui.TextMotor->setText(QStringLiteral("9"));
    m_ui.max_rot->setText(QStringLiteral("180"));
    m_ui.min_rot->setText(QStringLiteral("0"));
    setValueFieldsEnabled(true);
    lockMoveMode();
}

void ServoSetupPanel::setupSend(bool fromSwitch)
{
    if (m_ui.presetta->isChecked())
        sendStored(fromSwitch);
    else
        sendEntered();
}

void ServoSetupPanel::sendStored(bool fromSwitch)
{
    showStoredValues();
    lockMoveMode();
    setValueFieldsEnabled(false);
    clearResults();
    showLine(servoStartLine(m_settings));
    // Only the switch looks at the port first; the panel's button relies on a closed port writing nothing.
    if (fromSwitch && !m_link.isOpen())
        return;
    m_sender.writeShown();
    paintIndicator(m_ui.Shape1, m_colours.green);
}

void ServoSetupPanel::sendEntered()
{
    if (!isPwmPin(fieldValue(m_ui.TextMotor->text()))) {
        m_platform.message(
            m_ui.centralwidget,
            QStringLiteral("SERVO connection PIN on ARDUINO Incorrect!\r\r     Valid PWM Values : 3-5-6-9-10-11"),
            QStringLiteral("NON-PWM SELECTED PIN"), MessageIcon::Critical);
        return;
    }
    if (confirmEnteredValues() == Answer::Stop)
        return;
    m_ui.Text1->clear();
    m_ui.Text2->clear();
    showLine(servoStartLine(m_ui.TextMotor->text(), m_ui.min_rot->text(), m_ui.max_rot->text()));
    m_sender.writeShown();
    paintIndicator(m_ui.Shape1, m_colours.green);
    m_ui.Shape1->repaint();
    // Whatever the board has sent back by now; its answer to this line normally arrives later.
    m_ui.Text2->setText(QString::fromLatin1(m_link.input()));
}

ServoSetupPanel::Answer ServoSetupPanel::confirmEnteredValues()
{
    if (fieldValue(m_ui.TextMotor->text()) == m_settings.PIN && fieldValue(m_ui.min_rot->text()) == m_settings.MINROT &&
        fieldValue(m_ui.max_rot->text()) == m_settings.MAXROT)
        return Answer::Send;
    const MessageAnswer answer = m_platform.message(
        m_ui.centralwidget,
        QStringLiteral("The STANDARD values on VELTRANO.ini are different! \r\r       Do you want them to be "
                       "overwritten?"),
        QStringLiteral("VARIATION OF STANDARD PARAMETERS"), MessageIcon::None, MessageButtons::YesNoCancel);
    switch (answer) {
    case MessageAnswer::Yes: storeEnteredValues(); return Answer::Send;
    case MessageAnswer::Cancel: return Answer::Stop;
    default: return Answer::Send;
    }
}

void ServoSetupPanel::storeEnteredValues()
{
    const QString fileName = QString::fromLatin1(SettingsFileName);
    const struct Entry {
        const char* section;
        const char* key;
        QString value;
    } entries[] = {{"sezione 8", "PIN", enteredValueText(m_ui.TextMotor->text())},
                   {"sezione 9", "MAXROT", enteredValueText(m_ui.max_rot->text())},
                   {"sezione 10", "MINROT", enteredValueText(m_ui.min_rot->text())}};

    const QString problem = [&]() -> QString {
        // A value the settings cannot hold would stop the next start-up, so then nothing is stored.
        for (const Entry& entry : entries) {
            if (!parseInt16(entry.value))
                return QStringLiteral("The values were not stored in %1: the pin and the limits must be whole "
                                      "numbers from -32768 to 32767.")
                    .arg(fileName);
        }
        for (const Entry& entry : entries) {
            QString error;
            if (!scrivi_ini(QDir(m_programDirectory).filePath(fileName), QString::fromLatin1(entry.section),
                            QString::fromLatin1(entry.key), entry.value, &error))
                return QStringLiteral("The values could not be stored in %1.\r\r%2").arg(fileName, error);
        }
        const auto reload = carica_ini(m_programDirectory, m_settings);
        return reload ? reload->message() : QString();
    }();
    if (!problem.isEmpty())
        m_platform.message(m_ui.centralwidget, problem, SettingsErrorTitle, MessageIcon::Critical);
}

void ServoSetupPanel::clearResults()
{
    m_ui.Text1->clear();
    m_ui.Text2->clear();
    paintIndicator(m_ui.Shape1, m_colours.grey);
}

void ServoSetupPanel::closePanel()
{
    m_ui.COMANDO->clear();
    m_ui.RISPOSTA->clear();
    m_ui.Text1->clear();
    m_ui.Text2->clear();
    m_ui.Frame4->hide();
    m_ui.Frame1->show();
}

void ServoSetupPanel::ESEGUE_ATTACH_SERVO()
{
    showStoredValues();
    lockMoveMode();
    setValueFieldsEnabled(false);
    m_platform.pause(std::chrono::milliseconds(1000));
    m_ui.Text1->clear();
    m_ui.Text2->clear();
    showLine(servoStartLine(m_settings));
    m_sender.writeShown();
}

void ServoSetupPanel::showLine(const QString& line)
{
    m_sender.show(line);
    m_ui.Text1->setText(m_ui.COMANDO->text());
}

void ServoSetupPanel::enableSendButtons()
{
    const bool open = m_link.isOpen();
    m_ui.ESEGUE_SET->setEnabled(open);
    m_ui.Command3->setEnabled(open);
}

void ServoSetupPanel::showStoredValues()
{
    m_ui.TextMotor->setText(QString::number(m_settings.PIN));
    m_ui.min_rot->setText(QString::number(m_settings.MINROT));
    m_ui.max_rot->setText(QString::number(m_settings.MAXROT));
}

void ServoSetupPanel::setValueFieldsEnabled(bool enabled)
{
    for (QLineEdit* field : {m_ui.TextMotor, m_ui.min_rot, m_ui.max_rot})
        field->setEnabled(enabled);
}

void ServoSetupPanel::lockMoveMode()
{
    m_ui.cboMove->setEditText(MoveMode);
    m_ui.cboMove->setEnabled(false);
}
