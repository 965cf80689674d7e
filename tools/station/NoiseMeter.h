#pragma once

#include <random>

// The radio's S-meter on receive, in whole dB relative to S9 as rigctld's STRENGTH gives it: the
// band's noise through the loop, plus the receiver's own noise, summed as powers, with the jitter a
// real meter shows from one reading to the next. The jitter is seeded, so a run can be repeated.
class NoiseMeter {
public:
    struct Settings {
        double bandNoiseDb = -24;     // S5
        double receiverNoiseDb = -54; // S0
        double jitterDb = 0.7;        // standard deviation
        unsigned seed = 1;
        // The meter ignores the loop: a muted radio, no antenna, a carrier the AGC holds.
        bool flat = false;
    };

    explicit NoiseMeter(const Settings& settings);

    // loopResponse: the fraction of the band's noise power the loop passes, 0 to 1.
    int read(double loopResponse);
    // The level before jitter and rounding.
    double levelDb(double loopResponse) const;

private:
    Settings m_settings;
    std::mt19937 m_random;
    std::normal_distribution<double> m_jitter;
};
