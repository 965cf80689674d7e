#include "RigFollower.h"

#include "BandPlan.h"
#include "BoardSession.h"

#include <QDateTime>

#include <algorithm>

namespace {

// The band whose drift offset holds at kHz: one with edges, where the loop drifts alike across it.
QString driftBandAt(double kHz)
{
    const QString label = bandLabelAt(kHz);
    const QList<Band>& bands = bandPlan();
    return std::any_of(bands.cbegin(), bands.cend(),
                       [&label](const Band& band) { return band.label == label && band.hasEdges(); })
               ? label
               : QString();
}

} // namespace

RigFollower::RigFollower(const BoardSession& session, QObject* parent)
    : QObject(parent)
    , m_session(session)
{
    connect(&m_session, &BoardSession::linkOpenChanged, this, &RigFollower::update);
    connect(&m_session, &BoardSession::servoStateChanged, this, &RigFollower::update);
    connect(&m_memories, &MemoryFileWatch::changed, this, [this] { m_table = TuningTable(m_memories.memories()); });
}

void RigFollower::setMemoryFile(const QString& filePath)
{
    m_memories.setFile(filePath);
    update();
}

RigFollower::Status RigFollower::status() const
{
    if (!m_following)
        return Status::Off;
    if (m_frequencyHz <= 0)
        return Status::NoRadio;
    if (!m_tuning)
        return Status::NoMemories;
    if (!m_session.isLinkOpen())
        return Status::PortClosed;
    if (m_session.servoState() != ServoState::On)
        return Status::ServoOff;
    return Status::Following;
}

QString RigFollower::statusText() const
{
    switch (status()) {
    case Status::Off: return QStringLiteral("Not following: Follow is off.");
    case Status::NoRadio: return QStringLiteral("Not following: waiting for the radio's frequency from rigctld.");
    case Status::NoMemories:
        return m_memories.problem().isEmpty()
                   ? QStringLiteral("Not following: no valid memory has a frequency and an angle, so nothing is sent.")
                   : QStringLiteral("Not following: %1").arg(m_memories.problem());
    case Status::PortClosed: return QStringLiteral("Not following: the port to the board is closed.");
    case Status::ServoOff: return QStringLiteral("Not following: the servo is off.");
    case Status::Following:
        if (m_tuneRunning)
            return QStringLiteral("Following waits while the loop is tuned by SWR.");
        if (m_tunedAtHz)
            return QStringLiteral("Following the radio; the tuned angle stays until the frequency changes.");
        return QStringLiteral("Following the radio.");
    }
    return {};
}

void RigFollower::setFollowing(bool following)
{
    m_following = following;
    update();
}

void RigFollower::setFrequency(qint64 hertz)
{
    m_frequencyHz = hertz;
    update();
}

void RigFollower::setDriftHours(int hours)
{
    m_offsets = TuningOffsets(hours);
    update();
}

void RigFollower::teachOffset(double kHz, int tunedTenths)
{
    m_memories.refresh();
    const QString band = driftBandAt(kHz);
    if (!band.isEmpty())
        m_offsets.teach(band, m_table, kHz, tunedTenths, QDateTime::currentMSecsSinceEpoch());
    update();
}

void RigFollower::forgetOffset(const QString& band)
{
    m_offsets.forget(band);
    update();
}

void RigFollower::tuneStarted()
{
    m_tuneRunning = true;
    m_tunedAtHz = m_frequencyHz;
    update();
}

void RigFollower::tuneEnded(bool tuned)
{
    m_tuneRunning = false;
    if (!tuned) {
        m_tunedAtHz.reset();
        m_sentTenths.reset();
    }
    update();
}

void RigFollower::update()
{
    m_memories.refresh();
    const double kHz = double(m_frequencyHz) / 1000;
    m_tuning = m_frequencyHz > 0 ? m_table.lookup(kHz) : std::nullopt;
    const auto drift = m_offsets.offset(driftBandAt(kHz), QDateTime::currentMSecsSinceEpoch());
    m_offsetTenths = m_tuning && drift ? std::optional(drift->tenths) : std::nullopt;
    if (m_offsetTenths)
        m_tuning->tenths += *m_offsetTenths;
    // The radio moved since the loop was tuned: the memories' angle goes out again, even the same one.
    if (!m_tuneRunning && m_tunedAtHz && m_frequencyHz > 0 && m_frequencyHz != *m_tunedAtHz) {
        m_tunedAtHz.reset();
        m_sentTenths.reset();
    }
    if (status() == Status::Following) {
        if (!m_tuneRunning && !m_tunedAtHz && m_tuning->tenths != m_sentTenths) {
            m_sentTenths = m_tuning->tenths;
            emit sendRequested(angleText(m_tuning->tenths));
        }
    } else if (!m_following || !m_session.isServoReady()) {
        // The servo may have been moved or restarted meanwhile: the next chance sends again.
        m_sentTenths.reset();
    }
    emit changed();
}
