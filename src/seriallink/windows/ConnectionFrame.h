#pragma once

#include <QObject>

struct GlobalSettings;
class Platform;
class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;
class SerialLink;

// The connection frame of the main window: opening the port from the stored settings at start-up,
// choosing another port and speed, connecting and disconnecting, and the lists of ports and speeds.
// Nothing here writes the settings file: another port or speed lasts until the port closes.
class ConnectionFrame final : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QWidget* window; // parent of the message boxes
        QAction* porta_com;
        QWidget* Frame2;
        QComboBox* cboPort;
        QComboBox* cboBaudrate;
        QPushButton* CON_DISCON;
        QLabel* Label3;
        QPushButton* CHIUDE_WIN_PORTA;
        QPushButton* ABILI;
        // The " COMMAND " frame: hidden after a disconnect, shown again by any connect, failed or not.
        QWidget* Frame1;
    };
    // What the connect button does next: connect (Disconnected) or disconnect (Connected).
    enum class State { Disconnected, Connected };

    ConnectionFrame(const Widgets& widgets, SerialLink& link, const GlobalSettings& settings, Platform& platform,
                    QObject* parent = nullptr);

    State state() const { return m_state; }

    // Opens the port with the stored number and line settings. On failure shows the port-setting
    // error, asks the platform to end the process and returns false.
    bool APRI_COMM();
    // Refills the port and speed lists, emptying their edit texts.
    void CARICA_LISTE();
    // The stored port number (digits only) and the speed before the first comma of the line settings.
    void showStoredPortAndSpeed();
    // The stored port and speed, locked, for a connect that reopens the port with them.
    void offerStoredPortForReconnect();
    // Port and speed emptied and unlocked for the operator to choose.
    void offerFreePortChoice();

signals:
    // The operator disconnected, or the cable was pulled; the link itself tells when the port opens and closes.
    void disconnected();
    // The connect button was pressed with a port and a speed given.
    void connectionRequested();

private:
    void connectOrDisconnect();
    void closeFrame();
    void showFrame();
    void toggleFieldsEnabled();
    void setState(State state);
    void showOpenPort();
    void finishConnect(bool opened, const QString& error);
    void onConnectionLost(const QString& reason);

    Widgets m_ui;
    SerialLink& m_link;
    const GlobalSettings& m_settings;
    Platform& m_platform;
    State m_state = State::Disconnected;
    bool m_connecting = false; // a connect from the frame waits for the port's answer
};
