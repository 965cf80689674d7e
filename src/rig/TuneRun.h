#pragma once

#include "PeakSearch.h"
#include "SwrSearch.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class BoardSession;
class KeyingGuard;
class RigChannel;
struct RigReply;

// One press of TUNE or PEAK. PEAK walks the servo to the top of the band noise the radio's S-meter
// shows on receive: it reads the meter and nothing else, so it never transmits nor changes the radio.
// TUNE makes the radio transmit a low-power carrier while the search walks the servo to the lowest SWR
// its meter shows, then gives it back its mode, passband and power; where the radio has an S-meter,
// TUNE first walks near the top of the noise on receive and keys only for the last tenths. Everything
// goes to the radio through the rig channel, one command after the other; the angles go out as a
// signal for the owner's one transmit path.
//
// Whatever ends a TUNE run, the radio is told to stop transmitting first and then given its settings
// back. When the link is down at that moment, that is owed, and done as soon as the link is back, even
// after the run has long ended: no path leaves the radio transmitting. With a guard, the guard is told
// before each key-up and after each restore, and a run whose guard is not ready never keys the radio.
class TuneRun final : public QObject {
    Q_OBJECT
public:
    enum class Method { BySwr, ByNoise };
    enum class Meter { Swr, Noise };

    struct Plan {
        Method method = Method::BySwr;
        int powerPercent = 5;
        QString mode = QStringLiteral("FM");
        int maxSeconds = 10;
        int settleMs = 150;
        int peakSettleMs = 200;
        int lowestTenths = 0;
        int highestTenths = 1800;
        // A run that moved the radio's frequency: the guard gives it this one back.
        std::optional<qint64> frequencyToRestoreHz = std::nullopt;
    };

    enum class Outcome {
        Tuned,
        Peaked,
        StoppedByOperator,
        PortClosed,
        ServoOff,
        FrequencyChanged,
        NoForwardPower,
        TimeLimit,
        LinkLost,
        RadioRefused,
        // PEAK's failures; the servo is sent back where it started.
        NoPeakFlat,
        NoPeakBeyondReach,
        NoiseTooStrong,
        NoStrengthLevel,
        // The guard that unkeys the radio should the program die could not act: never keyed.
        GuardNotReady,
        // A check: the one reading at the angle asked for was taken.
        Checked,
    };

    // A meter reading the run took, where the servo stood.
    struct Reading {
        int tenths = 0;
        double value = 0;
        Meter meter = Meter::Swr;
    };

    // Before the time limit, the run stops this much early: the unkeying command may have to wait for
    // a reply in flight before it reaches the radio.
    static constexpr int UnkeyMarginMs = 300;
    // A reading of 0 is read again once after this, in case the radio was slow to start transmitting.
    static constexpr int NoPowerRetryMs = 300;
    // Between repeated S-meter readings at one place: the meter has settled with the servo already.
    static constexpr int ReadingGapMs = 25;

    // The servo moves only while it is on and the port to the board is open: a run stops when either
    // goes, and cannot start without them.
    TuneRun(RigChannel& channel, const BoardSession& session, QObject* parent = nullptr);
    ~TuneRun() override;

    // The guard told around each key-up; without one the radio is keyed unguarded.
    void setGuard(KeyingGuard* guard);
    // Why a TUNE run would not be keyed now; empty when it would.
    QString guardRefusal() const;

    // Starts a run from the angle the servo stands at; nothing when a run is already on.
    void start(const Plan& plan, int startTenths);
    // A check of one angle, for a caller that wants to know how good it is without tuning: the servo
    // goes there and the meter is read once (By SWR: keyed as TUNE keys, for one reading; By Noise:
    // CheckReadings S-meter readings, their mean). Ends Checked with the reading in swr() or noiseDb(),
    // or as a run that stopped, the radio given back what it had.
    void check(const Plan& plan, int tenths);
    static constexpr int CheckReadings = 4;
    // Ends a run that is on, as the operator or the program asks (the window closed).
    void stop(Outcome why = Outcome::StoppedByOperator);
    // The program is ending: a run that is on, or what a dropped link still owes the radio, ends now
    // with the radio unkeyed and given its settings back, written out before this returns.
    void programEnding();
    bool servoReady() const;

    // On from start until the radio has its settings back (or they are owed to a dropped link).
    bool isRunning() const { return m_stage != Stage::Idle; }
    bool isOnAir() const { return m_keyed; }
    // The run in progress or the last one.
    std::optional<int> angleTenths() const { return m_angleTenths; }
    std::optional<double> swr() const { return m_swr; }
    std::optional<double> noiseDb() const { return m_noiseDb; }
    // The meter the run reads now, or read last.
    Meter meter() const { return m_meter; }
    Method method() const { return m_plan.method; }
    double secondsOnAir() const;
    // From start to end of the run in progress or the last one.
    double secondsRunning() const;
    // Every reading of the run in progress or the last one, in order.
    const QList<Reading>& readingsTaken() const { return m_readings; }
    std::optional<Outcome> outcome() const { return m_outcome; }
    // The result of a tuned or peaked run: where the servo stands.
    std::optional<int> tunedTenths() const;
    // The radio's frequency and mode when the run started.
    qint64 frequencyHz() const { return m_frequencyHz; }
    QString radioMode() const { return QString::fromLatin1(m_savedMode); }
    // Why the last run ended, in a sentence for the operator.
    QString outcomeText() const;
    // The radio still owes us an unkeying and its settings, for a link that dropped.
    bool isRestoreOwed() const { return m_restoreOwed; }

signals:
    // The servo is to go to this angle, as the position line carries it ("87.1").
    void moveRequested(const QString& angle);
    // Angle, reading, time or stage changed.
    void progressed();
    // readingsTaken() grew, or was cleared for a new run.
    void readingsChanged();
    // The run is over and the radio has its settings back or they are owed.
    void finished(TuneRun::Outcome outcome);

private:
    enum class Stage { Idle, Listening, Preparing, OnAir, Restoring };

    // Starts afresh; false when the guard refuses a run that would key, and the run has ended so.
    bool begin(const Plan& plan, int startTenths);
    void ask(const QByteArray& command, std::function<void(const RigReply&)> handler);
    void prepareRadio();
    void keyUp();
    void moveServo(int tenths, int settleMs);
    void go(const SwrSearch::Move& move);
    void listen(const PeakSearch::Move& move);
    void readNoise();
    void noiseRead();
    void settled();
    void readSwr();
    void takeSwr(const RigReply& reply);
    void takeReading(double value, Meter meter);
    bool inRun() const;
    QString backAtStart(const QString& why) const;
    void end(Outcome why, const QString& detail = {});
    void restore();
    QList<QByteArray> restoreCommands() const;
    void linkStateChanged();
    void frequencyChanged(qint64 hertz);
    void boardChanged();

    RigChannel& m_channel;
    const BoardSession& m_session;
    Plan m_plan;
    qint64 m_frequencyHz = 0;
    Stage m_stage = Stage::Idle;
    // Replies to a run that has ended are ignored: each run and each restore gets a context of its own.
    QObject* m_runContext = nullptr;
    std::optional<SwrSearch> m_search;
    std::optional<SwrSearch::Move> m_move;
    std::optional<PeakSearch> m_peak;
    std::optional<PeakSearch::Move> m_listenMove;
    std::vector<double> m_noiseReadings;
    bool m_noiseFailed = false;
    int m_startTenths = 0;
    std::optional<int> m_checkTenths; // a check's angle: one reading there, no search
    QTimer m_settleTimer;
    QTimer m_limitTimer;
    QElapsedTimer m_onAir;
    QElapsedTimer m_running;
    qint64 m_runMs = 0;
    qint64 m_onAirMs = 0;
    bool m_keyed = false;
    bool m_noPowerRetried = false;
    // What the radio had before the run, to give back.
    QByteArray m_savedMode;
    QByteArray m_savedPassband;
    QByteArray m_savedPower;
    bool m_changedRadio = false;
    bool m_restoreOwed = false;
    QPointer<KeyingGuard> m_guard;
    bool m_guardToldOnAir = false;
    std::optional<int> m_angleTenths;
    std::optional<double> m_swr;
    std::optional<double> m_noiseDb;
    Meter m_meter = Meter::Swr;
    QList<Reading> m_readings;
    std::optional<Outcome> m_outcome;
    QString m_outcomeDetail;
};
