#include "AnglePositioning.h"

#include "CommandLine.h"
#include "GlobalSettings.h"
#include "Indicators.h"
#include "KeyFilter.h"
#include "Platform.h"
#include "ServoSwitch.h"
#include "ui_mainwindow.h"

AnglePositioning::AnglePositioning(Ui::VELTRANO& ui, SerialLink& link, const GlobalSettings& settings,
                                   Platform& platform, const ColourValues& colours, QObject* parent)
    : QObject(parent)
    , m_ui(ui)
    , m_sender(*ui.COMANDO, link)
    , m_settings(settings)
    , m_platform(platform)
    , m_colours(colours)
{
    connect(m_ui.Command1, &QPushButton::clicked, this, &AnglePositioning::switchClicked);
    connect(m_ui.SETTA_ANGOLO, &QPushButton::clicked, this, &AnglePositioning::setAngle);
    connect(m_ui.S_piu, &QPushButton::clicked, this, [this] { stepAngle(1); });
    connect(m_ui.S_meno, &QPushButton::clicked, this, [this] { stepAngle(-1); });
    connect(m_ui.PULISCE, &QPushButton::clicked, this, &AnglePositioning::clearFields);
    // The form limits the field to three characters, pasted text included.
    NumericKeyFilter::install(m_ui.ANGLE);
}

void AnglePositioning::START_SERVO()
{
    m_sender.send(servoStartLine(m_settings));
}

void AnglePositioning::switchClicked()
{
    const QString state = m_ui.Command1->text();
    if (state == ServoSwitch::Off)
        switchOn();
    else if (state == ServoSwitch::On)
        switchOff();
    else
        emit setupSendRequested();
}

void AnglePositioning::switchOn()
{
    m_ui.Command1->setText(ServoSwitch::On);
    paintIndicator(m_ui.Shape_RX, m_colours.green);
    setPositioningEnabled(true);
    m_ui.PULISCE->setEnabled(true);
    START_SERVO();
}

void AnglePositioning::switchOff()
{
    m_ui.Command1->setText(ServoSwitch::Off);
    paintIndicator(m_ui.Shape_RX, m_colours.grey);
    setPositioningEnabled(false);
    paintIndicator(m_ui.Shape_MEMO, m_colours.grey);
    m_ui.COMANDO->clear();
    m_ui.RISPOSTA->clear();
    m_ui.ANGLE->clear();
    m_ui.PULISCE->setEnabled(false);
}

void AnglePositioning::setPositioningEnabled(bool enabled)
{
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_ui.MEMO, m_ui.S_meno, m_ui.S_piu, m_ui.SETTA_ANGOLO, m_ui.ANGLE})
        control->setEnabled(enabled);
}

void AnglePositioning::setAngle()
{
    const QString angle = m_ui.ANGLE->text();
    if (!angleWithinLimits(angle, m_settings.MINROT, m_settings.MAXROT)) {
        m_platform.message(m_ui.centralwidget,
                           QStringLiteral("The value entered is not within the permitted range.\r\r Valid values : "
                                          "%1<-->%2")
                               .arg(m_settings.MINROT)
                               .arg(m_settings.MAXROT),
                           QStringLiteral("INCORRECT POSITIONING ANGLE"), MessageIcon::Critical);
        m_ui.ANGLE->clear();
        return;
    }
    m_ui.RISPOSTA->clear();
    m_sender.send(positionLine(angle));
}

void AnglePositioning::stepAngle(int step)
{
    const auto stepped = steppedAngle(m_ui.ANGLE->text(), step);
    if (!stepped)
        return;
    m_ui.ANGLE->setText(*stepped);
    m_ui.RISPOSTA->clear();
    m_sender.send(positionLine(m_ui.ANGLE->text()));
}

void AnglePositioning::clearFields()
{
    m_ui.ANGLE->setText(QStringLiteral("0"));
    m_ui.COMANDO->clear();
    m_ui.RISPOSTA->clear();
}
