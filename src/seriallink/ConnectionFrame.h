#pragma once

#include <QObject>

struct GlobalSettings;
class Platform;
class SerialLink;
namespace Ui {
class VELTRANO;
}

// The connection frame of the main window: opening the port from the stored settings at start-up,
// choosing another port and speed, connecting and disconnecting, and the lists of ports, speeds
// and movement modes. Nothing here writes the settings file.
class ConnectionFrame final : public QObject {
    Q_OBJECT
public:
    ConnectionFrame(Ui::VELTRANO& ui, SerialLink& link, const GlobalSettings& settings, Platform& platform,
                    QObject* parent = nullptr);

    // Opens the port with the stored number and line settings. On failure shows the port-setting
    // error, asks the platform to end the process and returns false.
    bool APRI_COMM();
    // Refills the port, speed and movement lists, emptying their edit texts.
    void CARICA_LISTE();

    void connectOrDisconnect();
    void closeFrame();
    void showFrame();
    // The stored port number (digits only) and the speed before the first comma of the line settings.
    void showStoredPortAndSpeed();
    void toggleFieldsEnabled();

private:
    void showOpenPort();
    void enableSetupSend(bool enabled);
    void onConnectionLost(const QString& reason);

    Ui::VELTRANO& m_ui;
    SerialLink& m_link;
    const GlobalSettings& m_settings;
    Platform& m_platform;
};
