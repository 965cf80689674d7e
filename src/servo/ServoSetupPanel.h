#pragma once

#include <QObject>
#include <QString>

class BoardSession;
struct GlobalSettings;
class CommandSender;
class Platform;
class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;
class SerialLink;

// The servo set-up panel: sending the servo start line with the stored pin and limits (PRESET) or
// with typed ones after a pin check, the two preset routines that the PRESET box's keys run, and
// the attach sequence run before the program exits.
class ServoSetupPanel final : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QWidget* window; // parent of the message boxes
        QAction* setta_servo;
        QWidget* Frame4;
        QCheckBox* presetta;
        QLineEdit* TextMotor;
        QLineEdit* min_rot;
        QLineEdit* max_rot;
        QComboBox* cboMove;
        QPushButton* ESEGUE_SET;
        QPushButton* Command3;
        QPushButton* cmdesci;
        QLineEdit* Text1;
        QWidget* Shape1;
        QLineEdit* Text2;
    };

    ServoSetupPanel(const Widgets& widgets, const BoardSession& session, SerialLink& link, CommandSender& sender,
                    GlobalSettings& settings, Platform& platform, QString programDirectory, QObject* parent = nullptr);

    // Shows the stored values locked, waits one second, then sends them.
    void ESEGUE_ATTACH_SERVO();
    void CARICA_PRESET();
    void LIBERA_PRESET();

    // The set-up send, from the panel's button or from the servo switch repeating it.
    void setupSend(bool fromSwitch);
    // The set-up results stop meaning anything once the connection is being changed.
    void markResultsStale();
    void fillMoveModes();

signals:
    void panelOpened();
    void panelClosed();
    // CARICA_PRESET: the connection frame should offer the stored port and speed for a reconnect.
    void storedPresetLoaded();
    // LIBERA_PRESET: port and speed are free to choose, and the servo switch repeats the set-up send.
    void freePresetLoaded();

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

    Widgets m_ui;
    const BoardSession& m_session;
    SerialLink& m_link;
    CommandSender& m_sender;
    GlobalSettings& m_settings;
    Platform& m_platform;
    QString m_programDirectory;
};
