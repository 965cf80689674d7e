#include "TuneRun.h"

#include "BoardSession.h"
#include "KeyingGuard.h"
#include "RigChannel.h"
#include "TuningTable.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

// A mode name as rigctld prints it: nothing else goes back to the radio.
bool isWord(const QByteArray& text)
{
    return !text.isEmpty() && text.size() <= 16 &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

std::optional<double> levelOf(const RigReply& reply)
{
    if (!reply.succeeded() || reply.lines.isEmpty())
        return std::nullopt;
    bool number = false;
    const double value = reply.lines.constFirst().trimmed().toDouble(&number);
    if (!number || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The search found nothing to stop at: the servo goes back to where the operator had it.
bool servoGoesBack(TuneRun::Outcome why)
{
    using O = TuneRun::Outcome;
    return why == O::NoPeakFlat || why == O::NoPeakBeyondReach || why == O::NoiseTooStrong || why == O::NoStrengthLevel;
}

} // namespace

TuneRun::TuneRun(RigChannel& channel, const BoardSession& session, QObject* parent)
    : QObject(parent)
    , m_channel(channel)
    , m_session(session)
{
    m_settleTimer.setSingleShot(true);
    m_limitTimer.setSingleShot(true);
    // A coarse timer may fire 5% early: the meter would be read before the servo has settled.
    m_settleTimer.setTimerType(Qt::PreciseTimer);
    m_limitTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_settleTimer, &QTimer::timeout, this, &TuneRun::settled);
    connect(&m_limitTimer, &QTimer::timeout, this, [this] { end(Outcome::TimeLimit); });
    connect(&m_channel, &RigChannel::stateChanged, this, &TuneRun::linkStateChanged);
    connect(&m_channel, &RigChannel::frequencyChanged, this, &TuneRun::frequencyChanged);
    connect(&m_session, &BoardSession::linkOpenChanged, this, &TuneRun::boardChanged);
    connect(&m_session, &BoardSession::servoStateChanged, this, &TuneRun::boardChanged);
}

TuneRun::~TuneRun() = default;

void TuneRun::setGuard(KeyingGuard* guard)
{
    if (m_guard)
        m_guard->disconnect(this);
    m_guard = guard;
    // The window says why TUNE would not key, and stops saying it.
    if (guard)
        connect(guard, &KeyingGuard::readinessChanged, this, &TuneRun::progressed);
}

QString TuneRun::guardRefusal() const
{
    return m_guard && !m_guard->isReady() ? m_guard->notReadyReason() : QString();
}

void TuneRun::ask(const QByteArray& command, std::function<void(const RigReply&)> handler)
{
    m_channel.request(command, m_runContext, std::move(handler));
}

bool TuneRun::inRun() const
{
    return m_stage == Stage::Listening || m_stage == Stage::Preparing || m_stage == Stage::OnAir;
}

void TuneRun::start(const Plan& plan, int startTenths)
{
    if (isRunning())
        return;
    if (!begin(plan, startTenths))
        return;
    // On receive first: PEAK all the way, TUNE near enough to transmit for the last tenths only.
    m_stage = Stage::Listening;
    m_meter = Meter::Noise;
    m_peak.emplace(startTenths, plan.lowestTenths, plan.highestTenths,
                   plan.method == Method::ByNoise ? PeakSearch::Precision::Fine : PeakSearch::Precision::Coarse);
    emit readingsChanged();
    listen(m_peak->start());
}

void TuneRun::check(const Plan& plan, int tenths)
{
    if (isRunning())
        return;
    if (!begin(plan, tenths))
        return;
    m_checkTenths = tenths;
    emit readingsChanged();
    if (plan.method == Method::ByNoise) {
        m_stage = Stage::Listening;
        m_meter = Meter::Noise;
        listen({tenths, CheckReadings});
    } else {
        m_meter = Meter::Swr;
        prepareRadio();
    }
}

bool TuneRun::begin(const Plan& plan, int startTenths)
{
    m_plan = plan;
    m_checkTenths.reset();
    m_frequencyHz = m_channel.frequencyHz();
    m_savedMode.clear();
    m_startTenths = startTenths;
    m_search.reset();
    m_move.reset();
    m_angleTenths.reset();
    m_swr.reset();
    m_noiseDb.reset();
    m_readings.clear();
    m_outcome.reset();
    m_outcomeDetail.clear();
    m_onAirMs = 0;
    m_runMs = 0;
    m_running.start();
    m_noPowerRetried = false;
    m_changedRadio = false;
    if (plan.method == Method::BySwr && !guardRefusal().isEmpty()) {
        // Not started: nothing is asked of the radio.
        m_outcome = Outcome::GuardNotReady;
        m_outcomeDetail = guardRefusal();
        emit readingsChanged();
        emit progressed();
        emit finished(*m_outcome);
        return false;
    }
    m_runContext = new QObject(this);
    return true;
}

// What the radio has now, to give it back; then the tune mode and power, checked, before keying.
void TuneRun::prepareRadio()
{
    m_stage = Stage::Preparing;
    ask("\\get_mode", [this](const RigReply& reply) {
        m_savedMode = reply.value("Mode").value_or(QByteArray()).trimmed();
        bool passband = false;
        m_savedPassband = QByteArray::number(reply.value("Passband").value_or(QByteArray()).trimmed().toInt(&passband));
        if (!reply.succeeded() || !isWord(m_savedMode) || !passband)
            return end(Outcome::RadioRefused, QStringLiteral("to tell its mode"));
        ask("\\get_level RFPOWER", [this](const RigReply& reply) {
            const auto power = levelOf(reply);
            if (!power || *power < 0 || *power > 1)
                return end(Outcome::RadioRefused, QStringLiteral("to tell its power (RFPOWER)"));
            m_savedPower = reply.lines.constFirst().trimmed();
            m_changedRadio = true;
            ask("\\set_mode " + m_plan.mode.toLatin1() + " 0", [this](const RigReply& reply) {
                if (!reply.succeeded())
                    return end(Outcome::RadioRefused, QStringLiteral("the mode %1 (TUNE_MODE)").arg(m_plan.mode));
                const double power = m_plan.powerPercent / 100.0;
                ask("\\set_level RFPOWER " + QByteArray::number(power, 'f', 2), [this, power](const RigReply& reply) {
                    if (!reply.succeeded())
                        return end(Outcome::RadioRefused, QStringLiteral("the power %1%").arg(m_plan.powerPercent));
                    // Some radios hold a power of their own below some level: never key above the plan.
                    ask("\\get_level RFPOWER", [this, power](const RigReply& reply) {
                        const auto set = levelOf(reply);
                        if (!set || *set > power + 0.005)
                            return end(Outcome::RadioRefused,
                                       QStringLiteral("the power %1% (it has %2%)")
                                           .arg(m_plan.powerPercent)
                                           .arg(set ? QString::number(std::round(*set * 100)) : QStringLiteral("?")));
                        go(m_checkTenths ? SwrSearch::Move{*m_checkTenths, true} : m_search->start());
                    });
                });
            });
        });
    });
}

// Keyed once, when the search first wants a reading: the moves before it are made on receive.
void TuneRun::keyUp()
{
    if (m_guard) {
        const QString refusal = guardRefusal();
        if (!m_guard->onAir(
                std::chrono::seconds(m_plan.maxSeconds),
                {m_savedMode, m_savedPassband.toInt(), m_savedPower.toDouble(), m_plan.frequencyToRestoreHz}))
            return end(Outcome::GuardNotReady, refusal);
        m_guardToldOnAir = true;
    }
    m_keyed = true;
    m_onAir.start();
    m_limitTimer.start(std::max(0, m_plan.maxSeconds * 1000 - UnkeyMarginMs));
    ask("\\set_ptt 1", [this](const RigReply& reply) {
        if (!reply.succeeded())
            return end(Outcome::RadioRefused, QStringLiteral("to transmit (set_ptt)"));
        m_stage = Stage::OnAir;
        // A radio's meter needs a moment once the carrier is up, as after a move.
        QTimer::singleShot(m_plan.settleMs, Qt::PreciseTimer, m_runContext, [this] { readSwr(); });
    });
}

void TuneRun::moveServo(int tenths, int settleMs)
{
    m_angleTenths = tenths;
    emit moveRequested(angleText(tenths));
    emit progressed();
    m_settleTimer.start(settleMs);
}

void TuneRun::go(const SwrSearch::Move& move)
{
    m_listenMove.reset();
    m_move = move;
    moveServo(move.tenths, m_plan.settleMs);
}

// A move with nothing to read there waits for the servo alone; one with readings for the radio's AGC
// and meter too.
void TuneRun::listen(const PeakSearch::Move& move)
{
    m_move.reset();
    m_listenMove = move;
    m_noiseReadings.clear();
    m_noiseFailed = false;
    moveServo(move.tenths, move.readings > 0 ? m_plan.peakSettleMs : std::min(m_plan.settleMs, m_plan.peakSettleMs));
}

void TuneRun::settled()
{
    if (m_listenMove) {
        if (m_listenMove->readings > 0)
            readNoise();
        else
            noiseRead();
    } else if (!m_move->measure) {
        if (const auto next = m_search->next(std::nullopt))
            go(*next);
        else
            end(Outcome::Tuned);
    } else if (!m_keyed) {
        keyUp();
    } else {
        readSwr();
    }
}

// Any reply but a number is a radio without the level.
void TuneRun::readNoise()
{
    ask("\\get_level STRENGTH", [this](const RigReply& reply) {
        const auto db = levelOf(reply);
        if (!db) {
            m_noiseFailed = true;
            return noiseRead();
        }
        m_noiseReadings.push_back(*db);
        takeReading(*db, Meter::Noise);
        if (int(m_noiseReadings.size()) < m_listenMove->readings)
            QTimer::singleShot(ReadingGapMs, m_runContext, [this] { readNoise(); });
        else
            noiseRead();
    });
}

void TuneRun::noiseRead()
{
    if (m_checkTenths) {
        if (m_noiseFailed || m_noiseReadings.empty())
            return end(Outcome::NoStrengthLevel);
        double sum = 0;
        for (double db : m_noiseReadings)
            sum += db;
        m_noiseDb = sum / double(m_noiseReadings.size());
        return end(Outcome::Checked);
    }
    const auto next =
        m_peak->next(m_noiseFailed ? std::span<const double>() : std::span<const double>(m_noiseReadings));
    if (next)
        return listen(*next);
    m_listenMove.reset();
    const PeakSearch::Result result = m_peak->result();
    if (m_plan.method == Method::ByNoise) {
        switch (result) {
        case PeakSearch::Result::Peaked: return end(Outcome::Peaked);
        case PeakSearch::Result::Flat: return end(Outcome::NoPeakFlat);
        case PeakSearch::Result::BeyondReach: return end(Outcome::NoPeakBeyondReach);
        case PeakSearch::Result::TooStrong: return end(Outcome::NoiseTooStrong);
        case PeakSearch::Result::NoLevel:
        case PeakSearch::Result::Searching: return end(Outcome::NoStrengthLevel);
        }
    }
    // TUNE goes on from the top of the noise; where the noise told nothing, from its start, as without
    // an S-meter.
    const bool peaked = result == PeakSearch::Result::Peaked;
    m_search.emplace(peaked ? m_peak->peakTenths() : m_startTenths, m_plan.lowestTenths, m_plan.highestTenths,
                     peaked ? SwrSearch::From::NearDip : SwrSearch::From::Anywhere);
    m_meter = Meter::Swr;
    prepareRadio();
}

void TuneRun::readSwr()
{
    ask("\\get_level SWR", [this](const RigReply& reply) { takeSwr(reply); });
}

void TuneRun::takeSwr(const RigReply& reply)
{
    const auto swr = levelOf(reply);
    if (!swr)
        return end(Outcome::RadioRefused, QStringLiteral("to tell the SWR"));
    // No forward power, no SWR: a radio that has only just begun to transmit gets one more look.
    if (*swr <= 0) {
        if (std::exchange(m_noPowerRetried, true))
            return end(Outcome::NoForwardPower);
        QTimer::singleShot(NoPowerRetryMs, m_runContext, [this] { readSwr(); });
        return;
    }
    m_noPowerRetried = false;
    takeReading(*swr, Meter::Swr);
    if (m_checkTenths)
        return end(Outcome::Checked);
    if (const auto next = m_search->next(*swr))
        go(*next);
    else
        end(Outcome::Tuned);
}

void TuneRun::takeReading(double value, Meter meter)
{
    m_readings.append({m_angleTenths.value_or(0), value, meter});
    (meter == Meter::Swr ? m_swr : m_noiseDb) = value;
    m_meter = meter;
    emit readingsChanged();
    emit progressed();
}

void TuneRun::stop(Outcome why)
{
    end(why);
}

bool TuneRun::servoReady() const
{
    return m_session.isServoReady();
}

void TuneRun::boardChanged()
{
    if (!m_session.isLinkOpen())
        end(Outcome::PortClosed);
    else if (m_session.servoState() != ServoState::On)
        end(Outcome::ServoOff);
    emit progressed();
}

// The loop tuned for one frequency is no use at another.
void TuneRun::frequencyChanged(qint64 hertz)
{
    if (m_frequencyHz == 0)
        m_frequencyHz = hertz; // the run began before the first reading came
    else if (hertz > 0 && hertz != m_frequencyHz)
        end(Outcome::FrequencyChanged);
}

void TuneRun::end(Outcome why, const QString& detail)
{
    if (!inRun())
        return;
    m_outcome = why;
    m_outcomeDetail = detail;
    if (why == Outcome::Tuned)
        m_swr = m_search->bestSwr();
    if (why == Outcome::Peaked)
        m_noiseDb = m_peak->peakDb();
    m_runMs = m_running.elapsed();
    m_settleTimer.stop();
    m_limitTimer.stop();
    // Replies still to come belong to the run that is over.
    delete std::exchange(m_runContext, nullptr);
    if (servoGoesBack(why)) {
        m_angleTenths = m_startTenths;
        emit moveRequested(angleText(m_startTenths));
    }
    if (m_plan.method == Method::BySwr)
        return restore();
    // Nothing of the radio's was changed.
    m_stage = Stage::Idle;
    emit progressed();
    emit finished(why);
}

// Unkeying first, then mode and passband, then power: queued together, so nothing of ours comes
// between them.
void TuneRun::restore()
{
    const bool endingRun = m_stage != Stage::Idle;
    m_stage = Stage::Restoring;
    m_runContext = new QObject(this);
    m_channel.requestTogether(
        restoreCommands(), m_runContext,
        [this](const QByteArray& command, const RigReply& reply) {
            if (command == "\\set_ptt 0" && reply.status != RigReply::NotAnswered && m_keyed) {
                m_keyed = false;
                m_onAirMs = m_onAir.elapsed();
            }
        },
        [this, endingRun](bool lost) {
            delete std::exchange(m_runContext, nullptr);
            m_restoreOwed = lost;
            // Until then the guard holds the deadline: it unkeys on its own should nothing else get through.
            if (!lost && std::exchange(m_guardToldOnAir, false) && m_guard)
                m_guard->offAir();
            m_stage = Stage::Idle;
            emit progressed();
            if (endingRun)
                emit finished(*m_outcome);
        });
}

QList<QByteArray> TuneRun::restoreCommands() const
{
    QList<QByteArray> commands = {"\\set_ptt 0"};
    if (m_changedRadio) {
        commands << "\\set_mode " + m_savedMode + ' ' + m_savedPassband;
        commands << "\\set_level RFPOWER " + m_savedPower;
    }
    return commands;
}

void TuneRun::programEnding()
{
    const bool radioOwed = m_restoreOwed || (isRunning() && m_plan.method == Method::BySwr);
    end(Outcome::StoppedByOperator);
    if (!radioOwed)
        return;
    // Sent past the queue: nothing will be left to answer the replies.
    m_channel.sendBeforeExit(restoreCommands(), 500);
    m_restoreOwed = false;
}

void TuneRun::linkStateChanged()
{
    const bool connected = m_channel.state() == RigChannel::State::Connected;
    if (!connected && inRun())
        end(Outcome::LinkLost);
    else if (connected && m_stage == Stage::Idle && m_restoreOwed) {
        m_restoreOwed = false;
        restore();
    }
}

double TuneRun::secondsOnAir() const
{
    return (m_keyed ? m_onAir.elapsed() : m_onAirMs) / 1000.0;
}

double TuneRun::secondsRunning() const
{
    return (inRun() ? m_running.elapsed() : m_runMs) / 1000.0;
}

std::optional<int> TuneRun::tunedTenths() const
{
    if (m_outcome == Outcome::Tuned && m_search)
        return m_search->bestTenths();
    if (m_outcome == Outcome::Peaked && m_peak)
        return m_peak->peakTenths();
    return std::nullopt;
}

QString TuneRun::outcomeText() const
{
    if (!m_outcome)
        return {};
    switch (*m_outcome) {
    case Outcome::Tuned:
        return QStringLiteral("Tuned: %1° with SWR %2 after %3 s on the air.")
            .arg(angleText(*tunedTenths()))
            .arg(*m_swr, 0, 'f', 2)
            .arg(secondsOnAir(), 0, 'f', 1);
    case Outcome::Peaked:
        return QStringLiteral("Peaked: %1° with the noise at %2 dB after %3 s.")
            .arg(angleText(*tunedTenths()))
            .arg(*m_noiseDb, 0, 'f', 1)
            .arg(secondsRunning(), 0, 'f', 1);
    case Outcome::NoPeakFlat: return backAtStart(QStringLiteral("No peak: the noise read the same at every angle."));
    case Outcome::NoPeakBeyondReach:
        return backAtStart(QStringLiteral("No peak: the noise still rose at the end of the servo's reach."));
    case Outcome::NoiseTooStrong:
        return backAtStart(QStringLiteral("No peak: the S-meter read above S9+20, a signal rather than noise."));
    case Outcome::NoStrengthLevel:
        return backAtStart(QStringLiteral("No peak: the radio gives no S-meter reading (STRENGTH)."));
    case Outcome::Checked:
        return m_meter == Meter::Swr
                   ? QStringLiteral("Checked: SWR %1 at %2°.").arg(*m_swr, 0, 'f', 2).arg(angleText(*m_checkTenths))
                   : QStringLiteral("Checked: noise %1 dB at %2°.")
                         .arg(*m_noiseDb, 0, 'f', 1)
                         .arg(angleText(*m_checkTenths));
    case Outcome::StoppedByOperator: return QStringLiteral("Stopped.");
    case Outcome::PortClosed: return QStringLiteral("Stopped: the port to the board closed.");
    case Outcome::ServoOff: return QStringLiteral("Stopped: the servo was switched off.");
    case Outcome::FrequencyChanged: return QStringLiteral("Stopped: the radio's frequency changed.");
    case Outcome::NoForwardPower:
        return QStringLiteral("Stopped: the radio reports no forward power (SWR 0). TUNE_MODE must send a carrier.");
    case Outcome::TimeLimit:
        return QStringLiteral("Stopped: the most time on the air for one run (TUNE_MAX_S, %1 s) was reached.")
            .arg(m_plan.maxSeconds);
    case Outcome::LinkLost:
        return m_restoreOwed ? QStringLiteral("Stopped: the link to rigctld dropped. The radio is told to stop "
                                              "transmitting and gets its settings back as soon as it is back.")
                             : QStringLiteral("Stopped: the link to rigctld dropped.");
    case Outcome::RadioRefused: return QStringLiteral("Stopped: the radio refused %1.").arg(m_outcomeDetail);
    case Outcome::GuardNotReady: return QStringLiteral("Not keyed. %1").arg(m_outcomeDetail);
    }
    return {};
}

QString TuneRun::backAtStart(const QString& why) const
{
    return why + QStringLiteral(" The servo is back at %1°.").arg(angleText(m_startTenths));
}
