#include "AnglePositioning.h"

#include "BoardSession.h"
#include "CommandLine.h"
#include "CommandSender.h"
#include "GlobalSettings.h"
#include "Indicators.h"
#include "KeyFilter.h"
#include "Platform.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

QString switchCaption(ServoState state)
{
    switch (state) {
    case ServoState::Off: return QStringLiteral("OFF");
    case ServoState::On: return QStringLiteral("ON");
    case ServoState::SetupRepeat: return QStringLiteral("&Connect");
    }
    return QString();
}

} // namespace

AnglePositioning::AnglePositioning(const Widgets& widgets, BoardSession& session, CommandSender& sender,
                                   const GlobalSettings& settings, Platform& platform, QObject* parent)
    : QObject(parent)
    , m_ui(widgets)
    , m_session(session)
    , m_sender(sender)
    , m_settings(settings)
    , m_platform(platform)
{
    connect(m_ui.Command1, &QPushButton::clicked, this, &AnglePositioning::switchClicked);
    connect(m_ui.SETTA_ANGOLO, &QPushButton::clicked, this, &AnglePositioning::setAngle);
    connect(m_ui.S_piu, &QPushButton::clicked, this, [this] { stepAngle(1); });
    connect(m_ui.S_meno, &QPushButton::clicked, this, [this] { stepAngle(-1); });
    connect(m_ui.PULISCE, &QPushButton::clicked, this, &AnglePositioning::clearFields);
    NumericKeyFilter::install(m_ui.ANGLE);
    // The form's length limit is for typing: typing never makes the angle longer than the limit, or
    // than what the program last wrote there.
    m_typedAngleLength = m_ui.ANGLE->maxLength();
    connect(m_ui.ANGLE, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_ui.ANGLE->setMaxLength(std::max(m_typedAngleLength, int(text.size()))); });
}

void AnglePositioning::showAngle(const QString& text)
{
    // A recalled 95.5, or a step from it, is shown whole: a cut "95." would go out as A,95.,
    m_ui.ANGLE->setMaxLength(std::max(m_typedAngleLength, int(text.size())));
    m_ui.ANGLE->setText(text);
}

void AnglePositioning::START_SERVO()
{
    m_sender.send(servoStartLine(m_settings));
}

void AnglePositioning::setState(ServoState state)
{
    m_ui.Command1->setText(switchCaption(state));
    m_session.setServoState(state);
}

void AnglePositioning::setIdle()
{
    setPositioningEnabled(false);
    m_ui.COMANDO->clear();
    m_ui.RISPOSTA->clear();
    showAngle(QString());
    m_ui.PULISCE->setEnabled(false);
    // The display fields only ever show what the program wrote.
    m_ui.COMANDO->setEnabled(false);
    m_ui.RISPOSTA->setEnabled(false);
    paintIndicator(m_ui.Shape_RX, IndicatorColour::Grey);
    setState(ServoState::Off);
}

void AnglePositioning::repeatSetupSend()
{
    setState(ServoState::SetupRepeat);
}

void AnglePositioning::showRecalled(const QString& angle, const QString& command)
{
    showAngle(angle);
    m_ui.COMANDO->setText(command);
    m_ui.RISPOSTA->clear();
}

void AnglePositioning::sendChosenAngle(const QString& angle)
{
    showAngle(angle);
    sendPosition(angle);
}

void AnglePositioning::setAngleEntryEnabled(bool enabled)
{
    m_ui.ANGLE->setEnabled(enabled);
}

void AnglePositioning::clearLineFields()
{
    m_ui.COMANDO->clear();
    m_ui.RISPOSTA->clear();
}

void AnglePositioning::switchClicked()
{
    switch (m_session.servoState()) {
    case ServoState::Off: switchOn(); break;
    case ServoState::On: switchOff(); break;
    case ServoState::SetupRepeat: emit setupSendRequested(); break;
    }
}

void AnglePositioning::switchOn()
{
    paintIndicator(m_ui.Shape_RX, IndicatorColour::Green);
    setPositioningEnabled(true);
    m_ui.PULISCE->setEnabled(true);
    START_SERVO();
    // Told last: whoever moves the servo once it is on sends after the start line.
    setState(ServoState::On);
}

void AnglePositioning::switchOff()
{
    setState(ServoState::Off);
    paintIndicator(m_ui.Shape_RX, IndicatorColour::Grey);
    setPositioningEnabled(false);
    m_ui.COMANDO->clear();
    m_ui.RISPOSTA->clear();
    showAngle(QString());
    m_ui.PULISCE->setEnabled(false);
}

void AnglePositioning::setPositioningEnabled(bool enabled)
{
    for (QWidget* control : std::initializer_list<QWidget*>{m_ui.S_meno, m_ui.S_piu, m_ui.SETTA_ANGOLO, m_ui.ANGLE})
        control->setEnabled(enabled);
}

void AnglePositioning::setAngle()
{
    const QString angle = m_ui.ANGLE->text();
    if (!angleWithinLimits(angle, m_settings.MINROT, m_settings.MAXROT)) {
        m_platform.message(m_ui.window,
                           QStringLiteral("The value entered is not within the permitted range.\r\r Valid values : "
                                          "%1<-->%2")
                               .arg(m_settings.MINROT)
                               .arg(m_settings.MAXROT),
                           QStringLiteral("INCORRECT POSITIONING ANGLE"), MessageIcon::Critical);
        showAngle(QString());
        return;
    }
    sendPosition(angle);
}

void AnglePositioning::stepAngle(int step)
{
    const auto stepped = steppedAngle(m_ui.ANGLE->text(), step);
    if (!stepped)
        return;
    showAngle(*stepped);
    sendPosition(m_ui.ANGLE->text());
}

void AnglePositioning::sendPosition(const QString& angle)
{
    m_ui.RISPOSTA->clear();
    m_sender.send(positionLine(angle));
    m_session.setSentDegrees(fieldValue(angle));
}

void AnglePositioning::clearFields()
{
    showAngle(QStringLiteral("0"));
    m_ui.COMANDO->clear();
    m_ui.RISPOSTA->clear();
}
