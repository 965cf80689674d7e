#pragma once

#include "ServoState.h"

#include <QObject>

#include <optional>

// What is known of the board for this run of the program, in one place for everyone who sends to it
// or must stop when it goes: whether the port to it is open, the servo switch's state, and the angle
// the servo was last sent. Each change is told once, and only when it is a change.
class BoardSession final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    bool isLinkOpen() const { return m_linkOpen; }
    ServoState servoState() const { return m_servoState; }
    // The servo moves only while it is switched on and the port is open.
    bool isServoReady() const { return m_linkOpen && m_servoState == ServoState::On; }
    // Nothing until an angle has gone out since the port opened and the servo was switched on: the
    // board starts again whenever the port opens.
    std::optional<double> sentDegrees() const { return m_sentDegrees; }

    void setLinkOpen(bool open);
    void setServoState(ServoState state);
    // An angle went out to the board; ignored while the port is closed, as nothing went out then.
    void setSentDegrees(double degrees);

signals:
    void linkOpenChanged(bool open);
    void servoStateChanged(ServoState state);
    void sentDegreesChanged();

private:
    void forgetSentDegrees();

    bool m_linkOpen = false;
    ServoState m_servoState = ServoState::Off;
    std::optional<double> m_sentDegrees;
};
