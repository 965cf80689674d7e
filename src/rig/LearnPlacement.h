#pragma once

#include "TuningTable.h"

#include <QList>

#include <optional>

// Where a learn run tunes across a band, free of radio, board and clock: it says what to do next and
// takes the result, and knows the points learned so far. Its driver is a learn run that, for each
// step, moves the radio's VFO there and uses the tune run it has (TUNE by SWR, PEAK by noise) for a
// Tune step, or sends the predicted angle and takes one reading (By SWR: one short key-up) for a
// Check step; the driver keeps the time limits and may simply stop asking at any moment, the points
// so far being valid.
//
// The two ends of the range are tuned first. Then each gap between learned points is tried at its
// middle: the angle following would send there (the tuning table's own lookup over the points so
// far) is checked, and only a failed check makes the middle a tuned point, splitting the gap in two.
// One check in the middle of a wide gap is not enough where the servo's shaft stands off the
// commanded angle by a wave of a few degrees (its potentiometer, its gears): the wave can cross the
// straight line just there. So a passed check goes on to the middles of both halves, until the checks
// lie at most CheckSpacingTenths of predicted angle apart. The widest stretch goes first, so a run cut
// short has spread its points evenly. A stretch whose ends the lookup gives angles at most one tenth
// apart, or too narrow to have a whole-kHz middle, needs no check: the lookup can only send one of
// those angles in it.
class LearnPlacement final {
public:
    enum class Method { Swr, Noise };

    static constexpr int MostPoints = 40;
    // Checks half a degree apart see a servo's wave of a few degrees five times a period or more.
    static constexpr int CheckSpacingTenths = 5;
    // By Noise, a check passes when its reading has fallen at most this far below the peak readings
    // at the gap's ends. On receive a loop matched at resonance passes 1 - |reflection|^2 of the band
    // noise, the share of the power it would accept from the transmitter at that angle: SWR 2 is a
    // fall of 0.5 dB, 1.5 one of 0.2 dB, and the edge of its bandwidth (3 dB) SWR 5.8. A meter reading
    // whole dB with a jitter cannot see 0.2 dB; half a dB is the least fall the driver's averaged
    // readings still tell from the jitter, and it keeps the loop under SWR 2 between the points.
    static constexpr double NoiseMarginDb = 0.5;

    struct Plan {
        double fromKHz = 0;
        double toKHz = 0;
        Method method = Method::Swr;
        double maxSwr = 1.5;
    };

    struct Step {
        enum class Kind { Tune, Check, Done };
        Kind kind = Kind::Done;
        double kHz = 0;
        // Check: the angle to check. Tune: where the points so far put the loop, a start for the tune
        // run; nothing for the first point.
        std::optional<int> predictedTenths;

        friend bool operator==(const Step&, const Step&) = default;
    };

    struct Point {
        double kHz = 0;
        int tenths = 0;
        double reading = 0; // SWR, or the noise reading in dB
        Method foundBy = Method::Swr;

        friend bool operator==(const Point&, const Point&) = default;
    };

    explicit LearnPlacement(const Plan& plan);

    // The same step until its result is taken.
    Step next() const { return m_step; }
    // The result of a Tune step: where the tune run left the servo and its reading there. False, and
    // nothing taken, when the step was no Tune.
    bool takeTuned(int tenths, double reading);
    // The reading of a Check step at the predicted angle. False, and nothing taken, when the step was
    // no Check.
    bool takeChecked(double reading);

    // By frequency.
    const QList<Point>& points() const { return m_points; }
    // The points as following will use them.
    TuningTable table() const;
    int pointsDone() const { return int(m_points.size()); }
    // A running estimate of the points the run will end with, from the share of checks that failed.
    int pointsForeseen() const;
    int checksDone() const { return m_checks; }

private:
    // A stretch of a gap between two learned points still to be checked at its middle.
    struct Stretch {
        double gapLowKHz = 0;
        double gapHighKHz = 0;
        double lowKHz = 0;
        double highKHz = 0;
    };

    bool checkPassed(double reading) const;
    const Point& pointAt(double kHz) const;
    void openGap(double lowKHz, double highKHz);
    void advance();

    Plan m_plan;
    QList<Point> m_points;
    QList<Stretch> m_unchecked;
    std::optional<Stretch> m_tried; // the stretch whose middle the step checks or tunes
    Step m_step;
    int m_checks = 0;
    int m_failedChecks = 0;
};
