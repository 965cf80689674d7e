#include "ServoShaft.h"

#include <algorithm>
#include <cmath>
#include <numbers>

ServoShaft::ServoShaft(double initialDegrees, double degreesPerSecond, double backlashDegrees)
    : m_speed(degreesPerSecond)
    , m_backlash(backlashDegrees)
    , m_commanded(initialDegrees)
    , m_target(initialDegrees)
    , m_servo(initialDegrees)
    , m_shaft(initialDegrees)
{
}

double ServoShaft::pulseDegrees(double widthMicroseconds)
{
    return (widthMicroseconds - 544) * 180 / (2400 - 544);
}

void ServoShaft::setError(double amplitudeDegrees, double periodDegrees)
{
    m_errorAmplitude = amplitudeDegrees;
    m_errorPeriod = periodDegrees > 0 ? periodDegrees : 1;
}

double ServoShaft::errorDegrees(double commandedDegrees) const
{
    return m_errorAmplitude * std::sin(2 * std::numbers::pi * commandedDegrees / m_errorPeriod);
}

void ServoShaft::command(double degrees, double seconds)
{
    advance(seconds);
    m_commanded = degrees;
    m_target = degrees + errorDegrees(degrees);
}

double ServoShaft::shaftDegrees(double seconds)
{
    advance(seconds);
    return m_shaft;
}

// Between two calls the servo moves one way only, so applying the play at the end of each stretch is
// exact.
void ServoShaft::advance(double seconds)
{
    const double travel = m_speed > 0 ? m_speed * std::max(0.0, seconds - m_time) : INFINITY;
    const double remaining = m_target - m_servo;
    m_servo = std::abs(remaining) <= travel ? m_target : m_servo + std::copysign(travel, remaining);
    m_shaft = std::clamp(m_shaft, m_servo - m_backlash / 2, m_servo + m_backlash / 2);
    m_time = seconds;
}
