#pragma once

#include "LearnPlacement.h"
#include "TuneRun.h"

#include <QByteArray>
#include <QDate>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class Platform;
class QWidget;
class RigChannel;
struct RigReply;
struct TypedMemory;

// One press of LEARN: the radio's VFO is moved point after point across a range, and at each point the
// tune run there (TUNE by SWR or PEAK by noise) tunes the loop, or checks the angle the points so far
// predict, as the placement asks. The radio's frequency, mode, passband and power are read first and
// given back whatever ends the run; owed to a dropped link and given when it is back, as the tune run
// does. The run keys the radio only through the tune run, so whatever watches its keying watches these
// key-ups too, and is unkeyed between points.
class LearnRun final : public QObject {
    Q_OBJECT
public:
    struct Plan {
        LearnPlacement::Plan placement;
        // Each point's run; its maxSeconds caps each key-up.
        TuneRun::Plan tune;
        // The whole run's time on the air.
        int maxSecondsOnAir = 120;
        // The learned memories' band and mode.
        QString band;
        QString mode = QStringLiteral("SSB");
    };

    enum class Outcome { Completed, StoppedByOperator, TimeLimit, LinkLost, RadioRefused, PointFailed };

    // How long the radio has to report the frequency it was told before the run gives up.
    static constexpr int FrequencyWaitMs = 5000;
    // The share of Max SWR's excess over 1 that a check by SWR may read.
    static constexpr double CheckSwrShare = 0.7;
    // A PEAK whose noise still rose at the end of its reach goes on from the loudest place, this often.
    static constexpr int MostRetries = 2;

    LearnRun(RigChannel& channel, TuneRun& tuneRun, QObject* parent = nullptr);
    ~LearnRun() override;

    // Starts a run, the first point tuned from startTenths; nothing when a run or a tune run is on.
    void start(const Plan& plan, int startTenths);
    // Ends a run that is on (STOP, the window closed); the radio gets its settings back.
    void stop(Outcome why = Outcome::StoppedByOperator);
    // The program is ending: the radio is unkeyed and given its settings back before this returns.
    void programEnding();

    // On from start until the radio has its settings back or they are owed.
    bool isRunning() const { return m_stage != Stage::Idle; }
    bool isRestoreOwed() const { return m_restoreOwed; }
    const Plan& plan() const { return m_plan; }
    // The points learned so far, by frequency; empty before any run.
    QList<LearnPlacement::Point> points() const;
    // The points as following will use them.
    TuningTable table() const;
    int pointsDone() const;
    int pointsForeseen() const;
    // The frequency being tuned or checked, while the run is on.
    std::optional<double> pointKHz() const;
    double secondsOnAir() const;
    double secondsRunning() const;
    std::optional<Outcome> outcome() const { return m_outcome; }
    QString outcomeText() const;

signals:
    void pointLearned(int kHz, double degrees, double reading);
    // Point, time or stage changed.
    void progressed();
    // The run is over and the radio has its settings back or they are owed.
    void finished(LearnRun::Outcome outcome);

private:
    enum class Stage { Idle, Reading, Moving, Tuning, Ending, Restoring };

    void ask(const QByteArray& command, std::function<void(const RigReply&)> handler);
    void readRadio();
    void nextPoint();
    void frequencyReported();
    void tunePoint();
    void pointEnded(TuneRun::Outcome outcome);
    void end(Outcome why, const QString& detail = {});
    void restore();
    QList<QByteArray> restoreCommands() const;
    void linkStateChanged();

    RigChannel& m_channel;
    TuneRun& m_tune;
    Plan m_plan;
    std::optional<LearnPlacement> m_placement;
    Stage m_stage = Stage::Idle;
    QObject* m_runContext = nullptr;
    int m_startTenths = 0;
    qint64 m_targetHz = 0;
    bool m_tuning = false; // the tune run that is on is this run's
    int m_retries = 0;
    int m_retryTenths = 0;
    QTimer m_frequencyWait;
    QElapsedTimer m_running;
    qint64 m_runMs = 0;
    double m_secondsOnAir = 0; // of the points done
    // What the radio had before the run, to give back.
    QByteArray m_savedFrequency;
    QByteArray m_savedMode;
    QByteArray m_savedPassband;
    QByteArray m_savedPower;
    bool m_restoreOwed = false;
    std::optional<Outcome> m_outcome;
    QString m_outcomeDetail;
};

// The memories the learned points become: valid, in the band and mode, each with a note saying when
// and how it was learned ("learned 2026-12-07 SWR 1.08").
QList<TypedMemory> learnedMemories(const QList<LearnPlacement::Point>& points, const QString& band, const QString& mode,
                                   const QDate& learnedOn);

// At the end of a run: its points replace the memories of its band and mode in its range, when it
// completed, or when it ended early and the operator answers "Yes" to keeping them. A file that cannot
// be written is left as it was, and a message says why. True when the memories were replaced.
bool storeLearnedPoints(const LearnRun& run, const QString& memoryFilePath, const QDate& learnedOn, Platform& platform,
                        QWidget* parent);
