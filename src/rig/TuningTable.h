#pragma once

#include "UsableMemory.h"

#include <QList>
#include <QString>

#include <optional>

// A memory as the tuning table uses it: where it tunes and to what angle.
using TuningPoint = UsableMemory;

// The angle for one frequency and the memories it came from: one memory (below == above) at its own
// frequency or beyond the ends of the table, the two neighbours in between.
struct Tuning {
    int tenths = 0; // the angle in tenths of a degree, as it is sent
    TuningPoint below;
    TuningPoint above;
};

// The memories as a table from frequency to angle. A loop's resonance depends on the frequency alone,
// so band and mode do not matter: every usable memory counts. The loop's capacitance goes as 1/f^2 and an air
// variable's capacitance is close to linear in shaft angle, so between two memories the angle is interpolated linearly
// in 1/f^2. Outside the table the end memory's angle holds: extrapolating would drive the servo where no memory vouches
// for it. Several memories at one frequency: the one with the highest number, the most recently added.
class TuningTable final {
public:
    TuningTable() = default;
    explicit TuningTable(const QList<UsableMemory>& memories);

    bool isEmpty() const { return m_points.isEmpty(); }
    qsizetype size() const { return m_points.size(); }
    // Nothing when the table is empty or the frequency is not a positive number.
    std::optional<Tuning> lookup(double kHz) const;

private:
    QList<TuningPoint> m_points; // by frequency, one per frequency
};

// An angle in tenths as the position line carries it: "105" when whole, "105.5" otherwise.
QString angleText(int tenths);
