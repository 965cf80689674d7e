#pragma once

// A magnetic loop seen from the radio: an air variable whose capacitance grows linearly with its shaft
// angle, in series with the loop's inductance and loss resistance, matched to the line at resonance.
// The meter reads how far the series circuit is from that match.
struct LoopModel {
    double minimumPicofarads = 15;
    double maximumPicofarads = 400;
    double spanDegrees = 180;
    double inductanceHenries = 2.5e-6;
    double qualityFactor = 200;

    double capacitanceFarads(double degrees) const;
    // The highest SWR the radio's meter shows.
    static constexpr double MeterLimit = 99.9;
    double highestSwr = MeterLimit;

    // The SWR the radio reports at this shaft angle and frequency.
    double swr(double degrees, double hertz) const;
    // On receive: the fraction of the band's noise power the loop passes to the radio, 1 at resonance,
    // one half at the edges of its bandwidth.
    double receiveResponse(double degrees, double hertz) const;
    // The shaft angle of resonance; outside 0..span when the capacitor cannot reach it.
    double resonanceDegrees(double hertz) const;

private:
    // How much of what meets the loop from the line comes back, 0 to 1.
    double reflection(double degrees, double hertz) const;
};
