#pragma once

// Where the capacitor's shaft stands, given the pulses the board puts out: the servo turns toward the
// commanded angle at its own speed, and the gears between servo and shaft have play, so the shaft
// trails the servo by up to half the backlash on the side it came from.
class ServoShaft {
public:
    ServoShaft(double initialDegrees, double degreesPerSecond, double backlashDegrees);

    // The angle a pulse width commands: 544 us is 0 degrees, 2400 us is 180, as the firmware maps them.
    static double pulseDegrees(double widthMicroseconds);

    void command(double degrees, double seconds);
    double shaftDegrees(double seconds);
    double commandedDegrees() const { return m_target; }

private:
    void advance(double seconds);

    double m_speed;
    double m_backlash;
    double m_target;
    double m_servo;
    double m_shaft;
    double m_time = 0;
};
