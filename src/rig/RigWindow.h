#pragma once

#include <QString>
#include <QWidget>

#include <memory>

struct ColourValues;
struct RigSettings;
class Platform;
class RigFollower;
class RigLink;
namespace Ui {
class RigWindow;
}

// "RIG Setting": where rigctld listens, the Follow switch, Connect / Disconnect, and what the radio
// and the memories give at this moment. The link and the follower belong to the main window and
// carry on when this window closes; the window only shows them and changes them. What it changes is
// written to [rig] at once and kept in settings, the values in use.
class RigWindow final : public QWidget {
    Q_OBJECT
public:
    RigWindow(RigLink& link, RigFollower& follower, RigSettings& settings, QString settingsFilePath, Platform& platform,
              const QString& iconPath, QWidget* parent = nullptr);
    ~RigWindow() override;

private:
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
    RigSettings& m_settings;
    QString m_settingsFilePath;
    Platform& m_platform;
};

// The main window's small indicator: hidden while Follow is off, green while the loop follows, orange
// while it cannot, with the reason as its tooltip and accessible description.
void showFollowingIndicator(QWidget* indicator, const RigFollower& follower, const ColourValues& colours);
