#pragma once

#include "Indicators.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <memory>

struct GlobalSettings;
class Platform;
class SerialLink;
class ConnectionFrame;
class ReplyDisplay;
class MemoryPanel;
class AnglePositioning;
class ServoSetupPanel;
class SettingsEditor;
class AboutWindow;
namespace Ui {
class VELTRANO;
}

// The main window. It holds the frames of every subsystem; each subsystem's behaviour lives in its
// own controller, which the window creates and hands the form to. The window itself does start-up,
// the work done on each activation, the idle state of the command controls and the close box.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    static inline const QString Caption = QStringLiteral("®VELTRANO - ARDUINO/VB6 LOOP ANTENNA INTERFACE");

    MainWindow(QString programDirectory, GlobalSettings& settings, SerialLink& link, Platform& platform,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The load handler. Returns false when the program cannot start; the platform has then been
    // asked to end the process and the window must not be shown.
    bool load();

    void DISABILITA_COMANDI();
    // Runs each time the window becomes active coming from another window of the program.
    void activate();

    const ColourValues& colours() const { return m_colours; }
    // The exit button: with the port open the stored servo values go out once more after a pause,
    // then the port closes, the memory database is let go and the process ends at once.
    void exitProgram();
    // Lets go of the memory database; the exit button calls it on the way out.
    void releaseMemoryStore();
    // Sends the stored servo values once more after a one-second pause; the exit button uses it.
    void ESEGUE_ATTACH_SERVO();
    QString path_IMMAGINE() const;
    QString path_ICONA() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void trackFocusWindow(QWindow* focused);
    void loadPictures();
    void openSettingsEditor();
    void openAboutWindow();

    std::unique_ptr<Ui::VELTRANO> m_ui;
    QString m_programDirectory;
    GlobalSettings& m_settings;
    SerialLink& m_link;
    Platform& m_platform;
    ColourValues m_colours;
    ConnectionFrame* m_connection = nullptr;
    ReplyDisplay* m_replies = nullptr;
    MemoryPanel* m_memories = nullptr;
    AnglePositioning* m_positioning = nullptr;
    ServoSetupPanel* m_servoSetup = nullptr;
    QPointer<SettingsEditor> m_settingsEditor;
    QPointer<AboutWindow> m_aboutWindow;
    bool m_shownOnce = false;
    bool m_focusCameFromOwnWindow = false;
};
