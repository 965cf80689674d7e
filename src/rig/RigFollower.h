#pragma once

#include "MemoryFileWatch.h"
#include "TuningOffsets.h"
#include "TuningTable.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

class BoardSession;

// Turns the radio's frequency into a servo angle through the memories, and asks for the angle to be
// sent when following is on, the servo is on and the port to the board is open, and only when the
// angle, in tenths, is not the one it sent last. The board's state it reads from the board session,
// the rest comes in through the setters; what it wants sent goes out as a signal: the window that owns
// the transmit path does the sending.
class RigFollower final : public QObject {
    Q_OBJECT
public:
    enum class Status { Off, NoRadio, NoMemories, ServoOff, PortClosed, Following };

    explicit RigFollower(const BoardSession& session, QObject* parent = nullptr);

    // The memory file, read again whenever it has changed on disk.
    void setMemoryFile(const QString& filePath);

    Status status() const;
    // Why the loop is or is not following, in a sentence for the operator.
    QString statusText() const;
    bool isFollowing() const { return m_following; }
    qint64 frequencyHz() const { return m_frequencyHz; }
    // The angle for the radio's frequency and the memories it came from, whether sent or not; with the
    // drift offset of the frequency's band added.
    const std::optional<Tuning>& tuning() const { return m_tuning; }
    // That offset, while one is in force for the radio's band.
    const std::optional<int>& offsetTenths() const { return m_offsetTenths; }
    // How long an offset holds.
    void setDriftHours(int hours);
    // A TUNE or PEAK run at kHz ended with the servo at tunedTenths: how far the memories are off
    // there holds for the whole band.
    void teachOffset(double kHz, int tunedTenths);
    void forgetOffset(const QString& band);

public slots:
    void setFollowing(bool following);
    // 0 while the radio's frequency is not known.
    void setFrequency(qint64 hertz);
    // While a tune run is on, nothing is sent. After a run that tuned, the tuned angle stays until the
    // radio's frequency changes; after one that did not, the memories' angle goes out again.
    void tuneStarted();
    void tuneEnded(bool tuned);

signals:
    // The angle to send, as the position line carries it ("105", "105.5").
    void sendRequested(const QString& angle);
    // Status, frequency or tuning changed.
    void changed();

private:
    void update();

    const BoardSession& m_session;
    MemoryFileWatch m_memories;
    TuningTable m_table;
    TuningOffsets m_offsets{12};
    std::optional<int> m_offsetTenths;
    bool m_following = false;
    qint64 m_frequencyHz = 0;
    std::optional<Tuning> m_tuning;
    std::optional<int> m_sentTenths;
    bool m_tuneRunning = false;
    std::optional<qint64> m_tunedAtHz; // the frequency a tune run started at, until it changes
};
