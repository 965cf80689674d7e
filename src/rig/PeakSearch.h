#pragma once

#include <map>
#include <optional>
#include <span>
#include <vector>

// The walk that peaks the band noise on receive, free of radio, board and clock: it says where the
// servo goes next and how many S-meter readings to take there, and takes them. Angles are in tenths
// of a degree, as they are sent; readings in dB relative to S9, as rigctld's STRENGTH gives them.
//
// Its moves and replies have the shape of SwrSearch's (a move, then what was read there), with a
// count of readings where SwrSearch has a flag, so one run can drive either: a SwrSearch move that
// measures is a move with one reading.
//
// The meter reads whole dB with a dB or so of jitter, and the loop's response falls only 3 dB at the
// edges of its bandwidth, so the top is too flat for a hill-climb. The search looks for the centre
// from both flanks instead: it walks out from the start, with steps that grow where the readings
// hardly change, until the noise has fallen clearly below the best on each side; a resonance curve
// fitted to those readings tells roughly where the centre is and how wide the top is. That is where
// the coarse search ends. The fine one then reads several times at three places on each flank,
// moving upward only (servo gears have play, and the shaft stands at a different place depending on
// the side it came from), fits the curve to those readings, and comes up to the centre from below.
class PeakSearch final {
public:
    enum class Precision { Coarse, Fine };

    enum class Result {
        Searching,
        Peaked,
        Flat,        // the noise read the same on both sides, as far as the search looks
        BeyondReach, // the noise still rose at the servo's limit
        TooStrong,   // a reading above S9+20: a signal, not noise, or a meter that will not say
        NoLevel,     // readings were asked for and none came: the radio has no STRENGTH level
    };

    static constexpr int CoarseStep = 3;
    static constexpr int WidestStep = 8;
    // More than the play of any servo worth using: a move back by less leaves the shaft in the play.
    static constexpr int BacklashTakeUp = 10;
    // How far out from the start the walk looks for a fall on each side.
    static constexpr int FarthestProbe = 50;
    // A fall below the best reading that the jitter does not make.
    static constexpr double ClearFallDb = 3.0;
    static constexpr double StrongestNoiseDb = 20.0;
    static constexpr int CoarseReadings = 2;
    static constexpr int FlankReadings = 4;
    // The flanks are read once more while the centre is less certain than this (one standard error,
    // tenths), or than this part of the top's half width: a narrow top needs its centre to the tenth,
    // a wide one tolerates more.
    static constexpr double SureCentreTenths = 0.25;
    static constexpr double SureCentreOfWidth = 0.04;

    struct Move {
        int tenths = 0;
        int readings = 0; // meter readings to take once the servo has settled there

        friend bool operator==(const Move&, const Move&) = default;
    };

    // lowest and highest: the servo's limits, which no move leaves.
    PeakSearch(int startTenths, int lowestTenths, int highestTenths, Precision precision = Precision::Fine);

    // The first move: to the start, to read the meter there.
    Move start();
    // After a move: the readings taken there, as many as asked (none when none were asked). The next
    // move, or nothing when the search is over: at peakTenths() when peaked; after a failure the
    // servo belongs back at startTenths().
    std::optional<Move> next(std::span<const double> readings);

    Result result() const { return m_result; }
    bool finished() const { return m_phase == Phase::Done; }
    int startTenths() const { return m_start; }
    // Where the servo stands once peaked.
    int peakTenths() const { return m_peakTenths; }
    // The mean of the readings at the final place once peaked, the highest mean before.
    double peakDb() const { return m_peakDb; }
    int readings() const { return m_readings; }
    int moves() const { return m_moves; }

    // The resonance curve that fits readings best: its centre (tenths, not rounded), its half width
    // at 3 dB down, and the standard error of the centre that the scatter of the readings about the
    // curve implies. Nothing without readings at three places at least.
    struct Curve {
        double centreTenths = 0;
        double halfWidthTenths = 0;
        double centreErrorTenths = 0;
    };
    struct Reading {
        int tenths = 0;
        double db = 0;
    };
    static std::optional<Curve> fit(const std::vector<Reading>& readings);

private:
    enum class Phase { Start, Walk, TakeUp, Flank, Return, Confirm, Done };

    Move moveTo(int tenths, int readings);
    std::optional<Move> fail(Result why);
    std::optional<Move> walk();
    std::optional<Move> walkEnded();
    std::optional<Move> beginFlanks(const Curve& rough);
    std::optional<Move> readFlanksAgain();
    std::optional<Move> flankStep();
    std::optional<Move> approach(int tenths);
    bool fallenOn(int side) const;
    int bestPosition() const;

    int m_start;
    int m_lowest;
    int m_highest;
    Precision m_precision;
    Phase m_phase = Phase::Start;
    Result m_result = Result::Searching;
    int m_position = 0;
    int m_asked = 0; // readings asked for at the last move
    // The walk: the mean there of each place read, every reading, and the step on each side.
    std::map<int, double> m_means;
    std::vector<Reading> m_walkReadings;
    int m_step[2] = {CoarseStep, CoarseStep};
    int m_lastSide = -1;
    int m_walkFrom = 0; // the place the last step of the walk went out from
    // The flanks: the places to read, upward, the next of them, and every reading taken there.
    std::vector<int> m_flankPlaces;
    std::size_t m_nextFlank = 0;
    std::vector<Reading> m_flankReadings;
    bool m_widened = false;
    bool m_readAgain = false;
    // The centre and half width the flank places were chosen around.
    double m_roughCentre = 0;
    double m_roughWidth = 0;
    int m_peakTenths = 0;
    double m_peakDb = 0;
    int m_readings = 0;
    int m_moves = 0;
};
