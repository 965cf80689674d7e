#include "BoardSession.h"

void BoardSession::setLinkOpen(bool open)
{
    if (open == m_linkOpen)
        return;
    m_linkOpen = open;
    forgetSentDegrees();
    emit linkOpenChanged(open);
}

void BoardSession::setServoState(ServoState state)
{
    if (state == m_servoState)
        return;
    m_servoState = state;
    if (state != ServoState::On)
        forgetSentDegrees();
    emit servoStateChanged(state);
}

void BoardSession::setSentDegrees(double degrees)
{
    if (!m_linkOpen || m_sentDegrees == degrees)
        return;
    m_sentDegrees = degrees;
    emit sentDegreesChanged();
}

void BoardSession::forgetSentDegrees()
{
    if (std::exchange(m_sentDegrees, std::nullopt))
        emit sentDegreesChanged();
}
