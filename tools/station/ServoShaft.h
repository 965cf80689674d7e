#pragma once

// Where the capacitor's shaft stands, given the pulses the board puts out: the servo turns toward the
// commanded angle at its own speed, and the gears between servo and shaft have play, so the shaft
// trails the servo by up to half the backlash on the side it came from. A hobby servo's potentiometer
// and gears also put it off the commanded angle by an error that varies smoothly along the way.
class ServoShaft {
public:
    ServoShaft(double initialDegrees, double degreesPerSecond, double backlashDegrees);

    // The angle a pulse width commands: 544 us is 0 degrees, 2400 us is 180, as the firmware maps them.
    static double pulseDegrees(double widthMicroseconds);

    // The servo stands off each commanded angle by amplitude times the sine of the angle, one period
    // every periodDegrees.
    void setError(double amplitudeDegrees, double periodDegrees);
    double errorDegrees(double commandedDegrees) const;

    void command(double degrees, double seconds);
    double shaftDegrees(double seconds);
    double commandedDegrees() const { return m_commanded; }

private:
    void advance(double seconds);

    double m_speed;
    double m_backlash;
    double m_errorAmplitude = 0;
    double m_errorPeriod = 1;
    double m_commanded;
    double m_target;
    double m_servo;
    double m_shaft;
    double m_time = 0;
};
