#pragma once

#include "Indicators.h"
#include "LearnRun.h"
#include "TuneRun.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <future>
#include <memory>

class BoardSession;
class GuardClient;
struct GlobalSettings;
class Platform;
class SerialLink;
class CommandSender;
class ConnectionFrame;
class ReplyDisplay;
class MemoryPanel;
class AnglePositioning;
class ServoSetupPanel;
class SettingsEditor;
class RigLink;
class RigFollower;
class RigWindow;
class LearnWindow;
class AboutWindow;
namespace Ui {
class VELTRANO;
}

// The main window is one form shared by several controllers (connection frame, reply display,
// angle positioning, servo set-up, memory panel). Each gets only the widgets it works on, filled
// in here from the form; what one must tell another goes through signals connected here. Every
// line for the board leaves through the one CommandSender. The window itself does start-up, the
// work of each activation, the idle state of the command controls and the two ways out.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    static inline const QString Caption = QStringLiteral("®VELTRANO - ARDUINO/VB6 LOOP ANTENNA INTERFACE");

    // The session follows the link's opening and closing and the servo switch; whatever else sends to
    // the board reads the board's state there.
    MainWindow(QString programDirectory, GlobalSettings& settings, SerialLink& link, BoardSession& session,
               Platform& platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up: settings, idle controls, pictures, the port. Returns false when the program cannot
    // start; the platform has then been asked to end the process and the window must not be shown.
    bool load();

    void DISABILITA_COMANDI();
    // Runs each time the window becomes active coming from another window of the program.
    void activate();

    // The exit button, and a request to end from outside: a radio keyed for a tune run is unkeyed and
    // restored first; with the port open the stored servo values go out once more after a pause,
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
    void createControllers();
    void connectControllers();
    void trackFocusWindow(QWindow* focused);
    void loadPictures();
    void connectRig();
    void startRigFollowing();
    void openRigWindow();
    void openTuningChart();
    void startTune(TuneRun::Method method);
    TuneRun::Plan tunePlan(TuneRun::Method method) const;
    void tuneEnded();
    void openLearnWindow();
    void startLearn(const LearnRun::Plan& plan);
    void learnEnded();
    void openSettingsEditor();
    void openAboutWindow();

    std::unique_ptr<Ui::VELTRANO> m_ui;
    QString m_programDirectory;
    GlobalSettings& m_settings;
    SerialLink& m_link;
    BoardSession& m_session;
    Platform& m_platform;
    std::future<QImage> m_backgroundPicture;
    std::unique_ptr<CommandSender> m_sender;
    ConnectionFrame* m_connection = nullptr;
    ReplyDisplay* m_replies = nullptr;
    MemoryPanel* m_memories = nullptr;
    AnglePositioning* m_positioning = nullptr;
    ServoSetupPanel* m_servoSetup = nullptr;
    RigLink* m_rigLink = nullptr;
    RigFollower* m_rigFollower = nullptr;
    TuneRun* m_tuneRun = nullptr;
    GuardClient* m_guard = nullptr;
    QPointer<RigWindow> m_rigWindow;
    QPointer<QWidget> m_tuningChart;
    LearnRun* m_learnRun = nullptr;
    QPointer<LearnWindow> m_learnWindow;
    QPointer<SettingsEditor> m_settingsEditor;
    QPointer<AboutWindow> m_aboutWindow;
    bool m_shownOnce = false;
    bool m_focusCameFromOwnWindow = false;
};
