#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>

// Benchmarks print plain lines "name: value unit", so a script or a person can read them alike.
inline void printFigure(const char* name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

inline double percentile(QList<double> samples, double fraction)
{
    if (samples.isEmpty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const auto index = qsizetype(fraction * double(samples.size() - 1) + 0.5);
    return samples[std::min(index, samples.size() - 1)];
}

inline double median(const QList<double>& samples)
{
    return percentile(samples, 0.5);
}

// How long the action takes, in milliseconds.
inline double timed(const std::function<void()>& action)
{
    QElapsedTimer timer;
    timer.start();
    action();
    return double(timer.nsecsElapsed()) / 1e6;
}

// Resident memory of this process, in MiB, as the kernel counts it.
double residentMebibytes();
// The most resident memory this process has had, in MiB.
double peakResidentMebibytes();
