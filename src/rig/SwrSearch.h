#pragma once

#include <map>
#include <optional>

// The walk of a tune run, free of radio, board and clock: it says where the servo goes next and
// whether to read the SWR there, and takes the reading. Angles are in tenths of a degree, as they are
// sent.
//
// From the start it probes half a degree either side, then further out while the meter reads the same
// everywhere (a radio's meter stops at some SWR), and walks half a degree at a time toward the lower
// SWR until it rises again. Near the dip the reflection grows in proportion to the distance from it,
// so the three readings around the best step tell roughly where the dip is; a scan in tenths upward
// from just below there finds the best tenth. Servo gears have play, so the shaft stands at a
// different place depending on the side the servo came from: every reading of the scan and the final
// move come from below, after a move half a degree below, so the shaft ends where it stood when the
// best reading was taken.
class SwrSearch final {
public:
    static constexpr int CoarseStep = 5;
    static constexpr int BacklashTakeUp = 5;
    // How far out the probes look for a lower reading while the meter reads the same everywhere.
    static constexpr int FarthestProbe = 50;
    // Where the start is already near the dip, as a peak of the noise on receive leaves it: the two
    // readings either side, this far from it, put the dip.
    static constexpr int NearSpan = 4;

    enum class From {
        Anywhere,
        // Within a few tenths of the dip, the servo having come up from below. One reading either side
        // (both from below) tells where the dip lies, since the reflection grows in proportion to the
        // distance from it; one more there confirms it. Readings that do not fit go on as from anywhere.
        NearDip,
    };

    struct Move {
        int tenths = 0;
        bool measure = false; // read the SWR once the servo has settled there

        friend bool operator==(const Move&, const Move&) = default;
    };

    // lowest and highest: the servo's limits, which no move leaves.
    SwrSearch(int startTenths, int lowestTenths, int highestTenths, From from = From::Anywhere);

    // The first move: to the start, to read the SWR there.
    Move start();
    // After a move: the reading there (nothing when it was not to be read). The next move, or nothing
    // when the search is over and the servo stands at bestTenths().
    std::optional<Move> next(std::optional<double> swr);

    int bestTenths() const { return m_bestTenths; }
    // The reading at the final place once finished, the best one seen before; 0 before any reading.
    double bestSwr() const { return m_bestSwr; }
    bool finished() const { return m_phase == Phase::Done; }
    int readings() const { return m_readings; }

private:
    enum class Phase {
        Start,
        Probe,
        Walk,
        TakeUp,
        Scan,
        Return,
        Confirm,
        NearTakeUp,
        NearLow,
        NearHigh,
        NearReturn,
        NearCheck,
        Done
    };

    Move moveTo(int tenths, bool measure);
    std::optional<Move> probe(double swr);
    std::optional<Move> nearStep(double swr);
    void keepBest(double swr);
    std::optional<Move> walk(double swr);
    std::optional<Move> beginScan(int centreTenths);
    std::optional<Move> scanStep(double swr);
    std::optional<int> estimatedDip(int centreTenths) const;

    int m_start;
    int m_lowest;
    int m_highest;
    From m_from;
    Phase m_phase = Phase::Start;
    int m_position = 0;
    int m_bestTenths = 0;
    double m_bestSwr = 0;
    // Probing: the distance reached, and the sign of the side probed last; walking: the way it goes.
    int m_probeDistance = 0;
    int m_direction = 0;
    std::map<int, double> m_coarseReadings;
    // The scan: where it started, where the coarse readings put its end, the readings in a row that
    // were not below the best, and whether it has looked below its start once already.
    int m_scanLow = 0;
    int m_scanHigh = 0;
    int m_risesInRow = 0;
    bool m_rescanned = false;
    int m_readings = 0;
};
