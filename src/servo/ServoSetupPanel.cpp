#include "ServoSetupPanel.h"

#include "BoardSession.h"
#include "CommandLine.h"
#include "CommandSender.h"
#include "GlobalSettings.h"
#include "Indicators.h"
#include "KeyFilter.h"
#include "Platform.h"
#include "ProfileFile.h"
#include "SerialLink.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <chrono>

namespace {

// The panel's opening writes the movement mode differently from every other action.
const QString OpeningMoveMode = QStringLiteral("180 °  Up-Down");
const QString MoveMode = QStringLiteral("180° Up-Down");
const QColor LightGrey(0xC0, 0xC0, 0xC0);

} // namespace

ServoSetupPanel::ServoSetupPanel(const Widgets& widgets, const BoardSession& session, SerialLink& link,
                                 CommandSender& sender, GlobalSettings& settings, Platform& platform,
                                 QString programDirectory, QObject* parent)
    : QObject(parent)
    , m_ui(widgets)
    , m_session(session)
    , m_link(link)
    , m_sender(sender)
    , m_settings(settings)
    , m_platform(platform)
    , m_programDirectory(std::move(programDirectory))
{
    paintIndicator(m_ui.Shape1, IndicatorColour::Grey);
    connect(&m_session, &BoardSession::linkOpenChanged, this, &ServoSetupPanel::enableSendButtons);
    connect(m_ui.setta_servo, &QAction::triggered, this, &ServoSetupPanel::openPanel);
    // toggled, not clicked: a tick set by the program must run the same handling as the operator's.
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
    paintIndicator(m_ui.Shape1, IndicatorColour::Grey);
    m_ui.cboMove->setEditText(OpeningMoveMode);
    m_ui.Frame4->show();
    emit panelOpened();
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
    emit storedPresetLoaded();
    m_ui.ESEGUE_SET->setEnabled(false);
    showStoredValues();
    setValueFieldsEnabled(false);
    lockMoveMode();
}

void ServoSetupPanel::LIBERA_PRESET()
{
    emit freePresetLoaded();
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
    // The panel's button is disabled while the port is closed; the switch is not, so it looks first.
    if (fromSwitch && !m_session.isLinkOpen())
        return;
    m_sender.writeShown();
    paintIndicator(m_ui.Shape1, IndicatorColour::Green);
}

void ServoSetupPanel::sendEntered()
{
    if (!isPwmPin(fieldValue(m_ui.TextMotor->text()))) {
        m_platform.message(
            m_ui.window,
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
    paintIndicator(m_ui.Shape1, IndicatorColour::Green);
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
        m_ui.window,
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
    const std::pair<Setting, QString> entries[] = {{Setting::PIN, enteredValueText(m_ui.TextMotor->text())},
                                                   {Setting::MAXROT, enteredValueText(m_ui.max_rot->text())},
                                                   {Setting::MINROT, enteredValueText(m_ui.min_rot->text())}};

    const QString problem = [&]() -> QString {
        // A value the settings cannot hold would stop the next start-up, so then nothing is stored.
        for (const auto& [setting, value] : entries) {
            const SettingKey& key = settingKey(setting);
            if (const auto expected = key.refusal(value))
                return QStringLiteral("The values were not stored in %1: %2 cannot be %3.\r\r%4")
                    .arg(fileName, key.keyName(), value, *expected);
        }
        // One replacement of the file: a failure leaves it as it was, never with only some values stored.
        QList<ProfileFile::Setting> values;
        for (const auto& [setting, value] : entries) {
            const SettingKey& key = settingKey(setting);
            values.append({key.sectionName(), key.keyName(), value});
        }
        QString error;
        if (!ProfileFile::write(QDir(m_programDirectory).filePath(fileName), values, &error))
            return QStringLiteral("The values could not be stored in %1; it was left as it was.\r\r%2")
                .arg(fileName, error);
        const auto reload = carica_ini(m_programDirectory, m_settings);
        return reload ? reload->message() : QString();
    }();
    if (!problem.isEmpty())
        m_platform.message(m_ui.window, problem, SettingsErrorTitle, MessageIcon::Critical);
}

void ServoSetupPanel::clearResults()
{
    m_ui.Text1->clear();
    m_ui.Text2->clear();
    paintIndicator(m_ui.Shape1, IndicatorColour::Grey);
}

void ServoSetupPanel::closePanel()
{
    m_ui.Text1->clear();
    m_ui.Text2->clear();
    m_ui.Frame4->hide();
    emit panelClosed();
}

void ServoSetupPanel::markResultsStale()
{
    paintIndicator(m_ui.Shape1, LightGrey);
    m_ui.Text1->clear();
    m_ui.Text2->clear();
}

void ServoSetupPanel::fillMoveModes()
{
    // Refilling an editable list selects its first item; the text stays empty until an action sets it.
    m_ui.cboMove->clear();
    m_ui.cboMove->addItems({QStringLiteral("Up/Down"), QStringLiteral("Continuo")});
    m_ui.cboMove->setEditText(QString());
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
    m_ui.Text1->setText(line);
}

void ServoSetupPanel::enableSendButtons()
{
    m_ui.ESEGUE_SET->setEnabled(m_session.isLinkOpen());
    m_ui.Command3->setEnabled(m_session.isLinkOpen());
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
