#pragma once

#include "CommandSender.h"

#include <QObject>
#include <QString>

struct ColourValues;
struct GlobalSettings;
class Platform;
class SerialLink;
namespace Ui {
class VELTRANO;
}

// The servo set-up panel: sending the servo start line with the stored pin and limits (PRESET) or
// with typed ones after a pin check, the two preset routines that the PRESET box's keys run, the
// switch's "&Connect" state and the attach sequence run before the program exits.
class ServoSetupPanel final : public QObject {
    Q_OBJECT
public:
    ServoSetupPanel(Ui::VELTRANO& ui, SerialLink& link, GlobalSettings& settings, Platform& platform,
                    const ColourValues& colours, QString programDirectory, QObject* parent = nullptr);

    // Shows the stored values locked, waits one second, then sends them.
    void ESEGUE_ATTACH_SERVO();
    void CARICA_PRESET();
    void LIBERA_PRESET();

    // The set-up send, from the panel's button or from the switch in its "&Connect" state.
    void setupSend(bool fromSwitch);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Answer { Send, Stop };

    void openPanel();
    void presetChanged();
    void clearResults();
    void closePanel();
    void sendStored(bool fromSwitch);
    void sendEntered();
    Answer confirmEnteredValues();
    void storeEnteredValues();
    void showLine(const QString& line);
    void enableSendButtons();
    void showStoredValues();
    void setValueFieldsEnabled(bool enabled);
    void lockMoveMode();

    Ui::VELTRANO& m_ui;
    SerialLink& m_link;
    CommandSender m_sender;
    GlobalSettings& m_settings;
    Platform& m_platform;
    const ColourValues& m_colours;
    QString m_programDirectory;
};
