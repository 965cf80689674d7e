#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include "NoiseMeter.h"

#include <functional>
#include <optional>

// The radio behind the station's rigctld: frequency, mode and passband, RF power and PTT, an SWR
// meter that reads the loop while a carrier goes out, and an S-meter that reads the band's noise
// through the loop. It answers one command line at a time in the
// form Hamlib 4.5's rigctld uses: the plain form ("f", "\get_freq") and the extended one ("+f",
// "+\get_freq", or with ';', '|' or ',' between the lines of the answer).
class SimulatedRadio {
public:
    struct State {
        qint64 hertz = 7050000;
        QString mode = QStringLiteral("USB");
        int passband = 2400;
        double power = 0.5; // RFPOWER, 0..1
        bool keyed = false;
    };
    // What the radio's meter looks at.
    class Antenna {
    public:
        virtual ~Antenna() = default;
        virtual double swr(qint64 hertz) = 0; // at the antenna as it stands now
        // The fraction of the band's noise power the antenna passes, as it stands now.
        virtual double receiveResponse(qint64 hertz) = 0;
        virtual double shaftDegrees() = 0;
        virtual double resonanceDegrees(qint64 hertz) const = 0;
    };
    // Where each event worth checking goes, one line each.
    using Log = std::function<void(const QString& event)>;

    SimulatedRadio(const State& initial, Antenna& antenna, Log log);

    struct Answer {
        QByteArray text; // empty: rigctld sends nothing back (an unknown command)
        bool closeConnection = false;
    };
    Answer answer(const QByteArray& line);

    const State& state() const { return m_state; }
    // Logs the frequency with the shaft angle of the loop's resonance there.
    void logFrequency();
    // No forward power at all: the meter reads 0 even with a carrier.
    void setMeterDead(bool dead) { m_meterDead = dead; }
    // The S-meter; without one the radio has no STRENGTH level.
    void setNoiseMeter(std::optional<NoiseMeter> meter) { m_noiseMeter = std::move(meter); }
    // The passband a mode gets when asked for 0 ("normal"), as the dummy rig has them.
    static int normalPassband(const QString& mode);

private:
    struct Result {
        int code = 0;
        QList<std::pair<QString, QString>> values; // key (empty for a bare value) and value
    };
    Result execute(const QString& command, const QStringList& arguments);
    Result setFrequency(const QStringList& arguments);
    Result setMode(const QStringList& arguments);
    Result getLevel(const QStringList& arguments);
    Result setLevel(const QStringList& arguments);
    Result setPtt(const QStringList& arguments);
    double swrNow() const;
    bool carrierOut() const;

    State m_state;
    Antenna& m_antenna;
    Log m_log;
    bool m_meterDead = false;
    std::optional<NoiseMeter> m_noiseMeter;
    QElapsedTimer m_onAir;
    double m_highestPowerOnAir = 0;
};
