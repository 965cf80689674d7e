#include "NoiseMeter.h"

#include <cmath>

NoiseMeter::NoiseMeter(const Settings& settings)
    : m_settings(settings)
    , m_random(settings.seed)
{
}

double NoiseMeter::levelDb(double loopResponse) const
{
    const double band = std::pow(10, m_settings.bandNoiseDb / 10) * (m_settings.flat ? 1 : loopResponse);
    return 10 * std::log10(band + std::pow(10, m_settings.receiverNoiseDb / 10));
}

int NoiseMeter::read(double loopResponse)
{
    const double jitter = m_settings.jitterDb > 0 ? m_settings.jitterDb * m_jitter(m_random) : 0;
    return int(std::lround(levelDb(loopResponse) + jitter));
}
