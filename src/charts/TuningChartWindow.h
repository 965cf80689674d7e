#pragma once

#include "MemoryFileWatch.h"
#include "TuningChartSeries.h"

#include <QHash>
#include <QList>
#include <QWidget>

class BoardSession;
class Platform;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QTimer;
class QValueAxis;
class QXYSeries;
class RigFollower;

// "TUNING CHART": the memories of one band as points over kHz and degrees, the curve following puts
// through them, and the radio's frequency with the angle last sent to the servo, live. It reads the memory file
// itself and again whenever the file has changed, so edits, imports and learned memories show at once.
// A click on a point asks for that memory in the memory editor; the owner opens it.
class TuningChartWindow final : public QWidget {
    Q_OBJECT
public:
    TuningChartWindow(const QString& memoryFilePath, const RigFollower& follower, const BoardSession& session,
                      Platform& platform, const QString& iconPath, QWidget* parent = nullptr);
    ~TuningChartWindow() override;

    const TuningChartSeries& series() const { return m_series; }

signals:
    void memoryChosen(int number);

protected:
    void changeEvent(QEvent* event) override;

private:
    void showMemories();
    void showBand();
    void showRadio();
    void restyle();
    void savePicture();
    QScatterSeries* addPointSeries(const QString& name);
    void pointHovered(const QXYSeries* series, const QPointF& point, bool entered);
    const ChartPoint* pointAt(const QXYSeries* series, const QPointF& point) const;

    const RigFollower& m_follower;
    const BoardSession& m_session;
    Platform& m_platform;
    MemoryFileWatch m_memories;
    TuningChartSeries m_series;

    QComboBox* m_bandList;
    QChartView* m_view;
    QLabel* m_problem;
    QChart* m_chart;
    QValueAxis* m_kHzAxis;
    QValueAxis* m_degreesAxis;
    QLineSeries* m_curve;
    QScatterSeries* m_outliers;
    QScatterSeries* m_byHand;
    QScatterSeries* m_learned;
    QScatterSeries* m_invalid;
    QLineSeries* m_radio;
    QScatterSeries* m_sentAngle;
    // What each point series shows, in the order of its points.
    QHash<const QXYSeries*, QList<ChartPoint>> m_shown;
    QTimer* m_fileCheck;
};
