#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <optional>

struct StoredMemory;
struct UsableMemory;

// One memory of the charted band.
struct ChartPoint {
    int number = 0;
    QString mode;
    double kHz = 0;
    double degrees = 0;
    bool valid = false;
    bool learned = false; // written by LEARN BAND, not stored by hand
    // Degrees above (or below, negative) the curve through the band's other valid memories; nothing for
    // a memory that is not valid or has no neighbour on each side (nor one at its own frequency).
    std::optional<double> offCurve;
    bool outlier = false;
};

// The radio's frequency and the angle last sent to the servo.
struct RadioMarker {
    double kHz = 0;
    std::optional<double> degrees;
};

// Nothing while the radio's frequency is not known.
std::optional<RadioMarker> radioMarker(qint64 hertz, std::optional<double> sentDegrees);

// The bands that have memories, by the lowest frequency among each band's memories.
QStringList bandsWithMemories(const QList<StoredMemory>& memories);
// A band as people say it: "40" is "40 m"; "CB" and "3-30MHz" stay as they are.
QString bandName(const QString& band);
// LEARN BAND's notes start "learned ".
bool isLearnedNote(const QString& note);

// What the tuning chart shows for one band, free of any widget: the band's memories as points, and the
// curve following puts through them, sampled from the tuning table itself over the band's range. The
// table holds every valid memory whatever its band, as following uses it.
//
// A valid memory lying farther than the loop's bandwidth from the curve its neighbours on the band make
// (itself left out) is an outlier: most likely stored at a wrong angle. The worst goes first, so that
// it does not put its neighbours off the curve too.
// Half a degree is about the loop's 2:1 SWR width in shaft angle on 40 m for a loop of Q 200 (the
// simulated station's), and the tune run's own step. The band's end memories have no neighbour beyond
// them and are not judged: following does not extrapolate, so nothing vouches for a curve there.
class TuningChartSeries final {
public:
    static constexpr double OutlierDegrees = 0.5;
    // Even samples over the band; the curve also bends at every memory's frequency, which is sampled too.
    static constexpr int CurveSamples = 200;

    TuningChartSeries() = default;
    TuningChartSeries(const QList<StoredMemory>& memories, const QString& band, double outlierDegrees = OutlierDegrees);

    const QString& band() const { return m_band; }
    // By frequency, then number.
    const QList<ChartPoint>& points() const { return m_points; }
    // kHz across, degrees up: the angle following sends at each sampled frequency.
    const QList<QPointF>& curve() const { return m_curve; }
    double lowestKHz() const { return m_lowestKHz; }
    double highestKHz() const { return m_highestKHz; }
    double lowestDegrees() const { return m_lowestDegrees; }
    double highestDegrees() const { return m_highestDegrees; }

    // The chart in words, for a screen reader: "40 m: 7 memories from 7000 to 7200 kHz, 111.1 to 115.4
    // degrees; radio at 7123 kHz, 112.6 degrees", with what is not valid, learned or off the curve.
    QString description(const std::optional<RadioMarker>& radio) const;

private:
    void judge(const QList<UsableMemory>& usable, double outlierDegrees);
    void sampleCurve(const QList<UsableMemory>& usable);

    QString m_band;
    QList<ChartPoint> m_points;
    QList<QPointF> m_curve;
    double m_lowestKHz = 0;
    double m_highestKHz = 0;
    double m_lowestDegrees = 0;
    double m_highestDegrees = 0;
};
