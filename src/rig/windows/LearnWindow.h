#pragma once

#include "LearnRun.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class BoardSession;
class LearnChartView;
class Platform;
class QTimer;
class RigChannel;
struct RigSettings;
namespace Ui {
class LearnWindow;
}

// "LEARN BAND": the band, range, mode, method and Max SWR of a learn run, LEARN / STOP / CLOSE, and the
// run as it goes: points done of points foreseen, time on the air, the point being tuned and a table
// of the points learned. The run belongs to the main window, which starts it when asked; closing the
// window stops it. learnChartArea is left empty for a chart of the points.
class LearnWindow final : public QWidget {
    Q_OBJECT
public:
    LearnWindow(LearnRun& learn, const RigChannel& channel, const BoardSession& session, const RigSettings& settings,
                Platform& platform, const QString& iconPath, QWidget* parent = nullptr);
    ~LearnWindow() override;

    // What the fields ask for, or nothing after a message naming the field that cannot be used or why
    // a run cannot start now.
    std::optional<LearnRun::Plan> takeFields();

signals:
    // LEARN pressed with fields that can be used: the owner starts the run from where the servo stands.
    void learnRequested(const LearnRun::Plan& plan);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void bandChosen(int index);
    void learn();
    void showRun();
    void addPoint(int kHz, double degrees, double reading);
    // Why a run cannot start now; empty when it can.
    QString refusal(LearnPlacement::Method method) const;

    std::unique_ptr<Ui::LearnWindow> m_ui;
    LearnRun& m_learn;
    const RigChannel& m_channel;
    const BoardSession& m_session;
    const RigSettings& m_settings;
    Platform& m_platform;
    QTimer* m_clock;
    LearnChartView* m_chart;
};
