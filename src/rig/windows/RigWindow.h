#pragma once

#include "TuneRun.h"

#include <QString>
#include <QWidget>

class QTimer;

#include <memory>

class RunChartView;
struct RigSettings;
class Platform;
class RigFollower;
class RigLink;
namespace Ui {
class RigWindow;
}

// "RIG Setting": where rigctld listens, the Follow switch, Connect / Disconnect, and what the radio
// and the memories give at this moment; TUNE and PEAK, the run as it goes and its result, and Store. The
// link, the follower and the tune run belong to the main window and carry on when this window
// closes (a tune run does not: closing the window stops it); the window only shows them and changes
// them. What it changes is written to [rig] at once and kept in settings, the values in use.
class RigWindow final : public QWidget {
    Q_OBJECT
public:
    RigWindow(RigLink& link, RigFollower& follower, TuneRun& tuneRun, RigSettings& settings, QString settingsFilePath,
              Platform& platform, const QString& iconPath, QWidget* parent = nullptr);
    ~RigWindow() override;

signals:
    // TUNE or PEAK pressed while a run may start: the owner starts it from where the servo stands.
    void tuneRequested(TuneRun::Method method);
    // Store pressed: the tuned angle for the memory at this frequency, and the radio's mode then.
    void storeRequested(double kHz, const QString& angle, const QString& radioMode);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void runOrStop(TuneRun::Method method);
    void store();
    void showTune();
    void showLastRun();
    void showRunButton(TuneRun::Method method);
    // Why a run by this method cannot start now; empty when it can.
    QString tuneRefusal(TuneRun::Method method) const;

    void connectOrDisconnect();
    void followToggled(bool follow);
    bool takeFields();
    void save();
    void showLink();
    void showRadio();
    void showTuning();

    std::unique_ptr<Ui::RigWindow> m_ui;
    RigLink& m_link;
    RigFollower& m_follower;
    TuneRun& m_tuneRun;
    RigSettings& m_settings;
    QString m_settingsFilePath;
    Platform& m_platform;
    QTimer* m_onAirClock;
    RunChartView* m_runChart;
};

// The main window's small indicator: hidden while Follow is off, green while the loop follows, orange
// while it cannot, with the reason as its tooltip and accessible description.
void showFollowingIndicator(QWidget* indicator, const RigFollower& follower);
