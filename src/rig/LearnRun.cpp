#include "LearnRun.h"

#include "MemoryStore.h"
#include "Platform.h"
#include "RigChannel.h"
#include "RigReply.h"
#include "TuningTable.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

// A value the radio told, to be sent back to it as it came: one word of letters, digits and points.
std::optional<QByteArray> wordOf(const std::optional<QByteArray>& text)
{
    const QByteArray word = text.value_or(QByteArray()).trimmed();
    const bool plain = !word.isEmpty() && word.size() <= 24 && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
    });
    return plain ? std::optional(word) : std::nullopt;
}

} // namespace

LearnRun::LearnRun(RigChannel& channel, TuneRun& tuneRun, QObject* parent)
    : QObject(parent)
    , m_channel(channel)
    , m_tune(tuneRun)
{
    m_frequencyWait.setSingleShot(true);
    connect(&m_frequencyWait, &QTimer::timeout, this, [this] {
        end(Outcome::RadioRefused,
            QStringLiteral("to go to %1 kHz (it did not report that frequency)").arg(double(m_targetHz) / 1000));
    });
    connect(&m_channel, &RigChannel::frequencyChanged, this, &LearnRun::frequencyReported);
    connect(&m_channel, &RigChannel::stateChanged, this, &LearnRun::linkStateChanged);
    connect(&m_tune, &TuneRun::finished, this, &LearnRun::pointEnded);
}

LearnRun::~LearnRun() = default;

void LearnRun::ask(const QByteArray& command, std::function<void(const RigReply&)> handler)
{
    m_channel.request(command, m_runContext, std::move(handler));
}

void LearnRun::start(const Plan& plan, int startTenths)
{
    if (isRunning() || m_tune.isRunning())
        return;
    m_plan = plan;
    // A check reads the loop at one angle; between two checks the servo's wave can climb a little
    // higher, and the board's pulse steps put the shaft a little off the angle asked: the checks keep
    // some room under the SWR asked for.
    LearnPlacement::Plan placement = plan.placement;
    placement.maxSwr = 1 + (placement.maxSwr - 1) * CheckSwrShare;
    m_placement.emplace(placement);
    m_startTenths = startTenths;
    m_retries = 0;
    m_secondsOnAir = 0;
    m_runMs = 0;
    m_running.start();
    m_outcome.reset();
    m_outcomeDetail.clear();
    m_savedFrequency.clear();
    m_runContext = new QObject(this);
    readRadio();
}

// What the radio has, to give it back at the end, before anything of it is changed.
void LearnRun::readRadio()
{
    m_stage = Stage::Reading;
    emit progressed();
    ask("\\get_freq", [this](const RigReply& frequency) {
        const auto hertz = wordOf(frequency.value("Frequency"));
        if (!frequency.succeeded() || !hertz || hertz->toDouble() <= 0)
            return end(Outcome::RadioRefused, QStringLiteral("to tell its frequency"));
        ask("\\get_mode", [this, hertz](const RigReply& mode) {
            const auto name = wordOf(mode.value("Mode"));
            const auto passband = wordOf(mode.value("Passband"));
            if (!mode.succeeded() || !name || !passband)
                return end(Outcome::RadioRefused, QStringLiteral("to tell its mode"));
            ask("\\get_level RFPOWER", [this, hertz, name, passband](const RigReply& power) {
                const auto level = wordOf(power.lines.value(0));
                if (!power.succeeded() || !level)
                    return end(Outcome::RadioRefused, QStringLiteral("to tell its power (RFPOWER)"));
                m_savedFrequency = QByteArray::number(std::llround(hertz->toDouble()));
                m_savedMode = *name;
                m_savedPassband = *passband;
                m_savedPower = *level;
                nextPoint();
            });
        });
    });
}

void LearnRun::nextPoint()
{
    const LearnPlacement::Step step = m_placement->next();
    if (step.kind == LearnPlacement::Step::Kind::Done)
        return end(Outcome::Completed);
    if (m_plan.placement.method == LearnPlacement::Method::Swr && m_plan.maxSecondsOnAir - m_secondsOnAir < 1)
        return end(Outcome::TimeLimit);
    m_stage = Stage::Moving;
    m_targetHz = std::llround(step.kHz * 1000);
    emit progressed();
    ask("\\set_freq " + QByteArray::number(m_targetHz), [this](const RigReply& reply) {
        if (reply.status == RigReply::NotAnswered)
            return end(Outcome::LinkLost);
        if (!reply.succeeded())
            return end(Outcome::RadioRefused, QStringLiteral("to go to %1 kHz").arg(double(m_targetHz) / 1000));
        m_frequencyWait.start(FrequencyWaitMs);
        frequencyReported();
    });
}

// Tuned for one frequency, the loop is checked at another: the run waits until the radio says it is
// there.
void LearnRun::frequencyReported()
{
    if (m_stage != Stage::Moving || !m_frequencyWait.isActive() || m_channel.frequencyHz() != m_targetHz)
        return;
    m_frequencyWait.stop();
    tunePoint();
}

void LearnRun::tunePoint()
{
    const LearnPlacement::Step step = m_placement->next();
    TuneRun::Plan plan = m_plan.tune;
    const bool bySwr = m_plan.placement.method == LearnPlacement::Method::Swr;
    plan.method = bySwr ? TuneRun::Method::BySwr : TuneRun::Method::ByNoise;
    if (bySwr)
        plan.maxSeconds = std::min(plan.maxSeconds, int(m_plan.maxSecondsOnAir - m_secondsOnAir));
    // Should the program die on the air, the guard gives the radio back its own frequency too.
    if (!m_savedFrequency.isEmpty())
        plan.frequencyToRestoreHz = m_savedFrequency.toLongLong();
    m_stage = Stage::Tuning;
    m_tuning = true;
    if (step.kind == LearnPlacement::Step::Kind::Check)
        m_tune.check(plan, *step.predictedTenths);
    else
        m_tune.start(plan, m_retries > 0 ? m_retryTenths : step.predictedTenths.value_or(m_startTenths));
    m_tuning = m_tune.isRunning();
    emit progressed();
}

void LearnRun::pointEnded(TuneRun::Outcome outcome)
{
    if (!std::exchange(m_tuning, false))
        return;
    m_secondsOnAir += m_tune.secondsOnAir();
    if (m_stage == Stage::Ending)
        return restore();
    using O = TuneRun::Outcome;
    const LearnPlacement::Step step = m_placement->next();
    const bool bySwr = m_plan.placement.method == LearnPlacement::Method::Swr;
    switch (outcome) {
    case O::Tuned:
    case O::Peaked: {
        m_retries = 0;
        const int tenths = *m_tune.tunedTenths();
        const double reading = bySwr ? m_tune.swr().value_or(0) : m_tune.noiseDb().value_or(0);
        m_placement->takeTuned(tenths, reading);
        emit pointLearned(int(std::lround(step.kHz)), tenths / 10.0, reading);
        return nextPoint();
    }
    case O::Checked:
        m_placement->takeChecked(bySwr ? m_tune.swr().value_or(0) : m_tune.noiseDb().value_or(0));
        return nextPoint();
    case O::NoPeakBeyondReach: {
        // The resonance lies further off than the search looks: again from the loudest place it found.
        const auto& readings = m_tune.readingsTaken();
        if (m_retries < MostRetries && !readings.isEmpty()) {
            ++m_retries;
            m_retryTenths = std::max_element(readings.cbegin(), readings.cend(), [](const auto& a, const auto& b) {
                                return a.value < b.value;
                            })->tenths;
            return tunePoint();
        }
        break;
    }
    case O::StoppedByOperator: return end(Outcome::StoppedByOperator);
    case O::LinkLost: return end(Outcome::LinkLost);
    case O::TimeLimit: return end(Outcome::TimeLimit);
    default: break;
    }
    end(Outcome::PointFailed, m_tune.outcomeText());
}

void LearnRun::stop(Outcome why)
{
    end(why);
}

void LearnRun::end(Outcome why, const QString& detail)
{
    if (m_stage == Stage::Idle || m_stage == Stage::Ending || m_stage == Stage::Restoring)
        return;
    m_outcome = why;
    m_outcomeDetail = detail;
    m_runMs = m_running.elapsed();
    m_frequencyWait.stop();
    delete std::exchange(m_runContext, nullptr);
    // The point's run gives the radio back its own settings first, the run's come after.
    if (m_tuning && m_tune.isRunning()) {
        m_stage = Stage::Ending;
        emit progressed();
        m_tune.stop(why == Outcome::LinkLost ? TuneRun::Outcome::LinkLost : TuneRun::Outcome::StoppedByOperator);
        return;
    }
    m_tuning = false;
    restore();
}

// Queued together, unkeying first, so nothing of ours comes between them.
void LearnRun::restore()
{
    const bool endingRun = m_stage != Stage::Idle;
    if (m_savedFrequency.isEmpty()) {
        // Nothing of the radio's was changed yet.
        m_stage = Stage::Idle;
        emit progressed();
        if (endingRun)
            emit finished(*m_outcome);
        return;
    }
    m_stage = Stage::Restoring;
    m_runContext = new QObject(this);
    m_channel.requestTogether(restoreCommands(), m_runContext, nullptr, [this, endingRun](bool lost) {
        delete std::exchange(m_runContext, nullptr);
        m_restoreOwed = lost;
        m_stage = Stage::Idle;
        emit progressed();
        if (endingRun)
            emit finished(*m_outcome);
    });
}

QList<QByteArray> LearnRun::restoreCommands() const
{
    QList<QByteArray> commands;
    if (m_plan.placement.method == LearnPlacement::Method::Swr)
        commands << "\\set_ptt 0";
    commands << "\\set_freq " + m_savedFrequency << "\\set_mode " + m_savedMode + ' ' + m_savedPassband
             << "\\set_level RFPOWER " + m_savedPower;
    return commands;
}

void LearnRun::programEnding()
{
    const bool radioOwed = m_restoreOwed || (isRunning() && !m_savedFrequency.isEmpty());
    m_tune.programEnding();
    if (isRunning() && m_stage != Stage::Restoring) {
        m_outcome = Outcome::StoppedByOperator;
        m_runMs = m_running.elapsed();
        m_frequencyWait.stop();
        delete std::exchange(m_runContext, nullptr);
        m_tuning = false;
    }
    m_stage = Stage::Idle;
    if (!radioOwed)
        return;
    m_channel.sendBeforeExit(restoreCommands(), 500);
    m_restoreOwed = false;
}

void LearnRun::linkStateChanged()
{
    const bool connected = m_channel.state() == RigChannel::State::Connected;
    if (!connected && (m_stage == Stage::Reading || m_stage == Stage::Moving))
        end(Outcome::LinkLost);
    else if (connected && m_stage == Stage::Idle && m_restoreOwed) {
        m_restoreOwed = false;
        restore();
    }
}

QList<LearnPlacement::Point> LearnRun::points() const
{
    return m_placement ? m_placement->points() : QList<LearnPlacement::Point>();
}

TuningTable LearnRun::table() const
{
    return m_placement ? m_placement->table() : TuningTable();
}

int LearnRun::pointsDone() const
{
    return m_placement ? m_placement->pointsDone() : 0;
}

int LearnRun::pointsForeseen() const
{
    return m_placement ? m_placement->pointsForeseen() : 0;
}

std::optional<double> LearnRun::pointKHz() const
{
    if (m_stage != Stage::Moving && m_stage != Stage::Tuning)
        return std::nullopt;
    return m_placement->next().kHz;
}

double LearnRun::secondsOnAir() const
{
    return m_secondsOnAir + (m_tuning ? m_tune.secondsOnAir() : 0);
}

double LearnRun::secondsRunning() const
{
    return (m_stage == Stage::Idle ? m_runMs : m_running.elapsed()) / 1000.0;
}

QString LearnRun::outcomeText() const
{
    if (!m_outcome)
        return {};
    const QString learned = QStringLiteral(" %1 points learned.").arg(pointsDone());
    switch (*m_outcome) {
    case Outcome::Completed:
        return QStringLiteral("Learned %1 points in %2 s, %3 s on the air.")
            .arg(pointsDone())
            .arg(secondsRunning(), 0, 'f', 0)
            .arg(secondsOnAir(), 0, 'f', 1);
    case Outcome::StoppedByOperator: return QStringLiteral("Stopped.") + learned;
    case Outcome::TimeLimit:
        return QStringLiteral("Stopped: the most time on the air (LEARN_MAX_S %1 s, TUNE_MAX_S %2 s) was reached.")
                   .arg(m_plan.maxSecondsOnAir)
                   .arg(m_plan.tune.maxSeconds) +
               learned;
    case Outcome::LinkLost:
        return (m_restoreOwed ? QStringLiteral("Stopped: the link to rigctld dropped. The radio gets its frequency, "
                                               "mode and power back as soon as it is back.")
                              : QStringLiteral("Stopped: the link to rigctld dropped.")) +
               learned;
    case Outcome::RadioRefused: return QStringLiteral("Stopped: the radio refused %1.").arg(m_outcomeDetail) + learned;
    case Outcome::PointFailed:
        return QStringLiteral("Stopped at %1 kHz: %2").arg(double(m_targetHz) / 1000).arg(m_outcomeDetail) + learned;
    }
    return {};
}

QList<TypedMemory> learnedMemories(const QList<LearnPlacement::Point>& points, const QString& band, const QString& mode,
                                   const QDate& learnedOn)
{
    QList<TypedMemory> memories;
    for (const LearnPlacement::Point& point : points) {
        const bool bySwr = point.foundBy == LearnPlacement::Method::Swr;
        const QString how = bySwr ? QStringLiteral("SWR %1").arg(point.reading, 0, 'f', 2)
                                  : QStringLiteral("noise %1 dB").arg(point.reading, 0, 'f', 1);
        memories.append({band, mode, QString::number(std::lround(point.kHz)), angleText(point.tenths),
                         QStringLiteral("learned %1 %2").arg(learnedOn.toString(Qt::ISODate), how), true});
    }
    return memories;
}

bool storeLearnedPoints(const LearnRun& run, const QString& memoryFilePath, const QDate& learnedOn, Platform& platform,
                        QWidget* parent)
{
    const QString title = QStringLiteral("LEARN BAND");
    const QList<LearnPlacement::Point> points = run.points();
    if (points.isEmpty() || !run.outcome())
        return false;
    if (*run.outcome() != LearnRun::Outcome::Completed &&
        platform.message(parent,
                         QStringLiteral("The run ended early. Keep the %1 points learned so far in the memories?")
                             .arg(points.size()),
                         title, MessageIcon::None, MessageButtons::YesNo) != MessageAnswer::Yes)
        return false;
    const LearnRun::Plan& plan = run.plan();
    // An early end leaves the range between the points learned; the rest keeps its memories.
    const double lowKHz = *run.outcome() == LearnRun::Outcome::Completed ? plan.placement.fromKHz : points.front().kHz;
    const double highKHz = *run.outcome() == LearnRun::Outcome::Completed ? plan.placement.toKHz : points.back().kHz;
    MemoryStore store;
    if (store.open(memoryFilePath) && store.replaceRange(plan.band, plan.mode, lowKHz, highKHz,
                                                         learnedMemories(points, plan.band, plan.mode, learnedOn)))
        return true;
    platform.message(parent,
                     QStringLiteral("The learned points were not stored; the memory file was left as it was.\r\r") +
                         store.problem(),
                     title, MessageIcon::Critical);
    return false;
}
