#pragma once

#include "CommandSender.h"

#include <QObject>

struct ColourValues;
struct GlobalSettings;
class Platform;
class SerialLink;
namespace Ui {
class VELTRANO;
}

// The " COMMAND " frame: the servo switch in its OFF and ON states, sending an angle, stepping it
// one degree, clearing the fields, and the angle field's key filter.
class AnglePositioning final : public QObject {
    Q_OBJECT
public:
    AnglePositioning(Ui::VELTRANO& ui, SerialLink& link, const GlobalSettings& settings, Platform& platform,
                     const ColourValues& colours, QObject* parent = nullptr);

    // Sends the servo start line with the stored pin and limits.
    void START_SERVO();

signals:
    // The switch was pressed while showing neither OFF nor ON: the set-up panel's send takes over.
    void setupSendRequested();

private:
    void switchClicked();
    void switchOn();
    void switchOff();
    void setPositioningEnabled(bool enabled);
    void setAngle();
    void stepAngle(int step);
    void clearFields();

    Ui::VELTRANO& m_ui;
    CommandSender m_sender;
    const GlobalSettings& m_settings;
    Platform& m_platform;
    const ColourValues& m_colours;
};
