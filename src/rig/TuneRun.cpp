#include "TuneRun.h"

#include "BoardSession.h"
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

void TuneRun::ask(const QByteArray& command, std::function<void(const RigReply&)> handler)
{
    m_channel.request(command, m_runContext, std::move(handler));
}

void TuneRun::start(const Plan& plan, int startTenths)
{
    if (isRunning())
        return;
    m_plan = plan;
    m_frequencyHz = m_channel.frequencyHz();
    m_savedMode.clear();
    m_stage = Stage::Preparing;
    m_runContext = new QObject(this);
    m_search.emplace(startTenths, plan.lowestTenths, plan.highestTenths);
    m_move.reset();
    m_angleTenths.reset();
    m_swr.reset();
    m_outcome.reset();
    m_outcomeDetail.clear();
    m_onAirMs = 0;
    m_noPowerRetried = false;
    m_changedRadio = false;
    emit progressed();

    // What the radio has now, to give it back; then the tune mode and power, checked, before keying.
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
                        keyUp();
                    });
                });
            });
        });
    });
}

void TuneRun::keyUp()
{
    m_keyed = true;
    m_onAir.start();
    m_limitTimer.start(std::max(0, m_plan.maxSeconds * 1000 - UnkeyMarginMs));
    ask("\\set_ptt 1", [this](const RigReply& reply) {
        if (!reply.succeeded())
            return end(Outcome::RadioRefused, QStringLiteral("to transmit (set_ptt)"));
        m_stage = Stage::OnAir;
        go(m_search->start());
    });
}

void TuneRun::go(const SwrSearch::Move& move)
{
    m_move = move;
    m_angleTenths = move.tenths;
    emit moveRequested(angleText(move.tenths));
    emit progressed();
    m_settleTimer.start(m_plan.settleMs);
}

void TuneRun::settled()
{
    if (m_move->measure)
        readSwr();
    else if (const auto next = m_search->next(std::nullopt))
        go(*next);
    else
        end(Outcome::Tuned);
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
    m_swr = *swr;
    emit progressed();
    if (const auto next = m_search->next(*swr))
        go(*next);
    else
        end(Outcome::Tuned);
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
    if (m_stage != Stage::Preparing && m_stage != Stage::OnAir)
        return;
    m_outcome = why;
    m_outcomeDetail = detail;
    if (why == Outcome::Tuned)
        m_swr = m_search->bestSwr();
    m_settleTimer.stop();
    m_limitTimer.stop();
    // Replies still to come belong to the run that is over.
    delete std::exchange(m_runContext, nullptr);
    restore();
}

// Unkeying first, then mode and passband, then power: queued together, so nothing of ours comes
// between them.
void TuneRun::restore()
{
    const bool endingRun = m_stage != Stage::Idle;
    m_stage = Stage::Restoring;
    m_runContext = new QObject(this);
    const QList<QByteArray> commands = restoreCommands();
    auto pending = std::make_shared<qsizetype>(commands.size());
    auto lost = std::make_shared<bool>(false);
    for (const QByteArray& command : commands) {
        const bool unkeying = command == commands.constFirst();
        ask(command, [this, pending, lost, unkeying, endingRun](const RigReply& reply) {
            if (reply.status == RigReply::NotAnswered)
                *lost = true;
            else if (unkeying && m_keyed) {
                m_keyed = false;
                m_onAirMs = m_onAir.elapsed();
            }
            if (--*pending > 0)
                return;
            delete std::exchange(m_runContext, nullptr);
            m_restoreOwed = *lost;
            m_stage = Stage::Idle;
            emit progressed();
            if (endingRun)
                emit finished(*m_outcome);
        });
    }
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
    if (!isRunning() && !m_restoreOwed)
        return;
    // Sent past the queue: nothing will be left to answer the replies.
    end(Outcome::StoppedByOperator);
    m_channel.sendBeforeExit(restoreCommands(), 500);
    m_restoreOwed = false;
}

void TuneRun::linkStateChanged()
{
    const bool connected = m_channel.state() == RigChannel::State::Connected;
    if (!connected && (m_stage == Stage::Preparing || m_stage == Stage::OnAir))
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

std::optional<int> TuneRun::tunedTenths() const
{
    if (m_outcome != Outcome::Tuned || !m_search)
        return std::nullopt;
    return m_search->bestTenths();
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
    }
    return {};
}
