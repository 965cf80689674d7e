#include "LoopModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

double LoopModel::capacitanceFarads(double degrees) const
{
    const double picofarads = minimumPicofarads + (maximumPicofarads - minimumPicofarads) * degrees / spanDegrees;
    return picofarads * 1e-12;
}

double LoopModel::reflection(double degrees, double hertz) const
{
    const double omega = 2 * std::numbers::pi * hertz;
    const double reactance = omega * inductanceHenries - 1 / (omega * capacitanceFarads(degrees));
    // The coupling loop turns the loss resistance into the line's impedance, so the reflection is
    // that of R + jX on a line of R.
    const double resistance = omega * inductanceHenries / qualityFactor;
    return std::abs(reactance) / std::hypot(2 * resistance, reactance);
}

double LoopModel::swr(double degrees, double hertz) const
{
    const double reflected = reflection(degrees, hertz);
    if (reflected >= 1)
        return highestSwr;
    return std::min(highestSwr, (1 + reflected) / (1 - reflected));
}

// The noise arrives through the same match as the carrier leaves: what is not reflected gets through.
double LoopModel::receiveResponse(double degrees, double hertz) const
{
    const double reflected = reflection(degrees, hertz);
    return 1 - reflected * reflected;
}

double LoopModel::resonanceDegrees(double hertz) const
{
    const double omega = 2 * std::numbers::pi * hertz;
    const double picofarads = 1e12 / (omega * omega * inductanceHenries);
    return (picofarads - minimumPicofarads) * spanDegrees / (maximumPicofarads - minimumPicofarads);
}
