#pragma once

#include "ServoState.h"

#include <QObject>
#include <QString>

class BoardSession;
struct GlobalSettings;
class CommandSender;
class Platform;
class QLineEdit;
class QPushButton;
class QWidget;

// The " COMMAND " frame: the servo switch in its OFF and ON states, sending an angle, stepping it
// one degree, clearing the fields. The servo state it switches, and each angle it sends, go into the
// board session; the switch's caption only shows the state.
class AnglePositioning final : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QWidget* window; // parent of the message boxes
        QPushButton* Command1;
        QWidget* Shape_RX;
        QLineEdit* ANGLE;
        QPushButton* SETTA_ANGOLO;
        QPushButton* S_piu;
        QPushButton* S_meno;
        QPushButton* PULISCE;
        QLineEdit* COMANDO;
        QLineEdit* RISPOSTA;
    };

    AnglePositioning(const Widgets& widgets, BoardSession& session, CommandSender& sender,
                     const GlobalSettings& settings, Platform& platform, QObject* parent = nullptr);

    // Sends the servo start line with the stored pin and limits.
    void START_SERVO();
    // The frame as the program starts: switched off, every field empty, nothing to press but the switch.
    void setIdle();
    // From now on the switch repeats the set-up send.
    void repeatSetupSend();
    // The angle and command of a recalled memory; both empty when nothing usable was recalled.
    void showRecalled(const QString& angle, const QString& command);
    // An angle the program chose for the radio's frequency: shown and sent as "SET ANGLE" sends it,
    // without the range check and its message box, which answer the operator's typing.
    void sendChosenAngle(const QString& angle);
    // While the memory function is on, the angle comes from recalled memories only.
    void setAngleEntryEnabled(bool enabled);
    void clearLineFields();

signals:
    // The switch was pressed while repeating the set-up send: the set-up panel's send takes over.
    void setupSendRequested();

private:
    void setState(ServoState state);
    void switchClicked();
    void switchOn();
    void switchOff();
    void setPositioningEnabled(bool enabled);
    void setAngle();
    void stepAngle(int step);
    void clearFields();
    void showAngle(const QString& text);
    void sendPosition(const QString& angle);

    Widgets m_ui;
    BoardSession& m_session;
    CommandSender& m_sender;
    const GlobalSettings& m_settings;
    Platform& m_platform;
    int m_typedAngleLength = 0;
};
