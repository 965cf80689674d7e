#include "RunReadings.h"

#include "NumberText.h"

#include <QMap>

#include <algorithm>

namespace {

QString degreesText(int tenths)
{
    return plainDecimal(tenths / 10.0);
}

QString valueText(RunKind kind, double value)
{
    return kind == RunKind::Swr ? QString::number(value, 'f', 2)
                                : QString::number(value, 'f', 1) + QStringLiteral(" dB");
}

} // namespace

QString readingName(RunKind kind)
{
    return kind == RunKind::Swr ? QStringLiteral("SWR") : QStringLiteral("Noise (dB)");
}

QList<RunReading> readingsByAngle(const QList<RunReading>& readings)
{
    QMap<int, double> last;
    for (const RunReading& reading : readings)
        last.insert(reading.tenths, reading.value);
    QList<RunReading> line;
    for (auto at = last.cbegin(); at != last.cend(); ++at)
        line.append({at.key(), at.value()});
    return line;
}

QString runDescription(RunKind kind, const QList<RunReading>& readings, std::optional<int> finalTenths)
{
    const QString what = kind == RunKind::Swr ? QStringLiteral("SWR") : QStringLiteral("Noise");
    if (readings.isEmpty())
        return what + QStringLiteral(" against angle: no run yet.");
    const auto [lowest, highest] =
        std::minmax_element(readings.cbegin(), readings.cend(),
                            [](const RunReading& a, const RunReading& b) { return a.tenths < b.tenths; });
    const auto best =
        std::min_element(readings.cbegin(), readings.cend(), [kind](const RunReading& a, const RunReading& b) {
            return kind == RunKind::Swr ? a.value < b.value : a.value > b.value;
        });
    QString text = QStringLiteral("%1 against angle: %2 readings from %3 to %4 degrees, %5 %6 at %7 degrees")
                       .arg(what)
                       .arg(readings.size())
                       .arg(degreesText(lowest->tenths), degreesText(highest->tenths),
                            kind == RunKind::Swr ? QStringLiteral("lowest") : QStringLiteral("highest"),
                            valueText(kind, best->value), degreesText(best->tenths));
    if (finalTenths)
        text += QStringLiteral("; ended at %1 degrees").arg(degreesText(*finalTenths));
    return text + u'.';
}

QString learnDescription(double lowKHz, double highKHz, const QList<LearnedPoint>& points)
{
    QString text = QStringLiteral("Learning %1 to %2 kHz: ").arg(plainDecimal(lowKHz), plainDecimal(highKHz));
    if (points.isEmpty())
        return text + QStringLiteral("no points yet.");
    const auto [lowest, highest] = std::minmax_element(
        points.cbegin(), points.cend(), [](const LearnedPoint& a, const LearnedPoint& b) { return a.kHz < b.kHz; });
    const auto [flattest, steepest] =
        std::minmax_element(points.cbegin(), points.cend(),
                            [](const LearnedPoint& a, const LearnedPoint& b) { return a.degrees < b.degrees; });
    return text + QStringLiteral("%1 %2 from %3 to %4 kHz, %5 to %6 degrees; last at %7 kHz, %8 degrees.")
                      .arg(points.size())
                      .arg(points.size() == 1 ? QStringLiteral("point") : QStringLiteral("points"))
                      .arg(plainDecimal(lowest->kHz), plainDecimal(highest->kHz), plainDecimal(flattest->degrees),
                           plainDecimal(steepest->degrees), plainDecimal(points.constLast().kHz),
                           plainDecimal(points.constLast().degrees));
}
