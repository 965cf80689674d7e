#pragma once

#include <QList>
#include <QString>

#include <optional>

// One reading of a tune run: where the servo stood, in tenths of a degree, and what the radio read there.
struct RunReading {
    int tenths = 0;
    double value = 0;

    friend bool operator==(const RunReading&, const RunReading&) = default;
};

// What a run reads: the SWR, best at its lowest, or the noise in dB, best at its highest.
enum class RunKind { Swr, Noise };

// The name of the reading, as the chart's axis shows it.
QString readingName(RunKind kind);

// The run as a line over the angle: a run comes back to some angles, and the last reading at each counts.
QList<RunReading> readingsByAngle(const QList<RunReading>& readings);

// The run in a sentence for a screen reader: how many readings over which angles, the best one and
// where the run ended.
QString runDescription(RunKind kind, const QList<RunReading>& readings, std::optional<int> finalTenths);

// A point LEARN BAND found: the angle at that frequency and what the meter read there.
struct LearnedPoint {
    double kHz = 0;
    double degrees = 0;
    double reading = 0;
};

// The points found so far over the band, in a sentence for a screen reader: how many, over which
// frequencies and angles, and the last one.
QString learnDescription(double lowKHz, double highKHz, const QList<LearnedPoint>& points);
