// The tune run's every outcome against a radio that answers from a script: what it is asked, what
// makes it stop, and that whatever ends the run, the radio is unkeyed first and given back its mode,
// passband and power.
#include "FakePlatform.h"
#include "KeyingGuard.h"
#include "LearnRun.h"
#include "MemoryStore.h"
#include "ScriptedRadio.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// The guard's place in the run: what it is told goes into the radio's log, between the commands.
class StandInGuard final : public KeyingGuard {
public:
    explicit StandInGuard(QByteArrayList& log)
        : m_log(log)
    {
    }
    bool isReady() const override { return m_ready; }
    QString notReadyReason() const override { return m_ready ? QString() : QStringLiteral("The guard is away."); }
    bool onAir(std::chrono::milliseconds untilDeadline, const guard::RadioSettings& restore) override
    {
        if (m_ready)
            m_log << guard::onAirLine({untilDeadline, restore});
        return m_ready;
    }
    void offAir() override { m_log << guard::OffAirLine; }
    void setReady(bool ready)
    {
        m_ready = ready;
        emit readinessChanged(ready);
    }

private:
    QByteArrayList& m_log;
    bool m_ready = true;
};

enum class Guard { None, Ready, NotReady, GoesBeforeKeyUp };
using LearnMethod = LearnPlacement::Method;
using O = TuneRun::Outcome;

const QByteArray Refused = "RPRT -11";
const QByteArray NoPower = "0.000000\nRPRT 0";
const QByteArrayList Restore = {"\\set_ptt 0", "\\set_mode USB 2400", "\\set_level RFPOWER 0.500000"};
const TuneRun::Plan Quick{.maxSeconds = 10, .settleMs = 0, .peakSettleMs = 0};

struct TuneCase {
    Script script = {};
    Event event = Event::None; // as the second SWR reading is on its way, whose reply then comes late
    O outcome = O::Tuned;
    bool keyed = true; // asked to transmit
    Guard guard = Guard::None;
    Noise noise = Noise::Missing;
    TuneRun::Plan plan = Quick;
    bool servoBack = false; // PEAK: sent back to where it started
};

struct LearnCase {
    LearnMethod method;
    QByteArray eventAt; // the command the event comes with, as the radio is about to answer it ...
    int eventCount;     // ... the nth time
    Event event;
    int maxSecondsOnAir;
    LearnRun::Outcome outcome;
    MessageAnswer keepAnswer; // to keeping the points of a run that ended early
    bool written;
};

} // namespace

class TestTuneRun : public QObject {
    Q_OBJECT
private slots:
    void everyOutcomeGivesTheRadioBack_data()
    {
        QTest::addColumn<TuneCase>("c");
        const auto row = [](const char* name, const TuneCase& c) { QTest::newRow(name) << c; };
        row("tuned", {});
        row("operator stops", {.event = Event::OperatorStops, .outcome = O::StoppedByOperator});
        row("port to the board closes", {.event = Event::PortCloses, .outcome = O::PortClosed});
        row("servo switched off", {.event = Event::ServoOff, .outcome = O::ServoOff});
        row("radio's frequency changes", {.event = Event::FrequencyChanges, .outcome = O::FrequencyChanged});
        row("link drops: restored once it is back", {.event = Event::LinkDrops, .outcome = O::LinkLost});
        row("time limit", {.outcome = O::TimeLimit, .plan = {.maxSeconds = 1, .settleMs = 400, .peakSettleMs = 0}});
        row("meter reads 0 twice",
            {.script = {{"\\get_level SWR", QByteArrayList(5, NoPower)}}, .outcome = O::NoForwardPower});
        row("meter reads 0 once: read again", {.script = {{"\\get_level SWR", {NoPower}}}});
        row("SWR no number", {.script = {{"\\get_level SWR", {"high\nRPRT 0"}}}, .outcome = O::RadioRefused});
        row("mode not told", {.script = {{"\\get_mode", {Refused}}}, .outcome = O::RadioRefused, .keyed = false});
        row("tune mode refused",
            {.script = {{"\\set_mode FM 0", {Refused}}}, .outcome = O::RadioRefused, .keyed = false});
        row("tune power refused",
            {.script = {{"\\set_level RFPOWER 0.05", {Refused}}}, .outcome = O::RadioRefused, .keyed = false});
        row("power read back above the plan",
            {.script = {{"\\get_level RFPOWER", {"0.500000\nRPRT 0", "0.100000\nRPRT 0"}}},
             .outcome = O::RadioRefused,
             .keyed = false});
        row("transmitting refused", {.script = {{"\\set_ptt 1", {"RPRT -9"}}}, .outcome = O::RadioRefused});
        // With an S-meter, TUNE walks near the dip on receive and keys once, for a few readings.
        row("S-meter: listens before keying", {.noise = Noise::Resonant});
        // The guard hears of the key-up before the radio does, with what to give back, and that the radio
        // is off the air only once it has it back; a guard that cannot act keeps the radio off the air.
        row("guard ready", {.guard = Guard::Ready});
        row("guard not ready: not started", {.outcome = O::GuardNotReady, .keyed = false, .guard = Guard::NotReady});
        row("guard gone before the key-up: never keyed",
            {.outcome = O::GuardNotReady, .keyed = false, .guard = Guard::GoesBeforeKeyUp});
        row("guarded, link drops: off the air once the radio is back",
            {.event = Event::LinkDrops, .outcome = O::LinkLost, .guard = Guard::Ready});
        row("guarded, a frequency to give back",
            {.guard = Guard::Ready,
             .plan = {.maxSeconds = 10, .settleMs = 0, .peakSettleMs = 0, .frequencyToRestoreHz = 7074000}});
        // PEAK reads the S-meter and nothing else, whatever ends it, and owes the radio nothing.
        const auto peak = [](const char* name, TuneCase c, Noise noise = Noise::Resonant, int lowestTenths = 0) {
            c.noise = noise;
            c.keyed = false;
            c.plan.method = TuneRun::Method::ByNoise;
            c.plan.lowestTenths = lowestTenths;
            QTest::addRow("PEAK: %s", name) << c;
        };
        const Script garbled{{"\\get_level STRENGTH", {"-30\nRPRT 0", "-30\nRPRT 0", "-30\nRPRT 0", "S5\nRPRT 0"}}};
        peak("peaked", {.outcome = O::Peaked});
        peak("flat", {.outcome = O::NoPeakFlat, .servoBack = true}, Noise::Flat);
        peak("beyond reach", {.outcome = O::NoPeakBeyondReach, .servoBack = true}, Noise::Resonant, 890);
        peak("too strong", {.outcome = O::NoiseTooStrong, .servoBack = true}, Noise::Strong);
        peak("no level", {.outcome = O::NoStrengthLevel, .servoBack = true}, Noise::Missing);
        peak("reading no number", {.script = garbled, .outcome = O::NoStrengthLevel, .servoBack = true});
        peak("operator stops", {.event = Event::OperatorStops, .outcome = O::StoppedByOperator});
        peak("port closes", {.event = Event::PortCloses, .outcome = O::PortClosed});
        peak("servo off", {.event = Event::ServoOff, .outcome = O::ServoOff});
        peak("frequency changes", {.event = Event::FrequencyChanges, .outcome = O::FrequencyChanged});
        peak("link drops", {.event = Event::LinkDrops, .outcome = O::LinkLost});
    }

    void everyOutcomeGivesTheRadioBack()
    {
        QFETCH(TuneCase, c);
        ScriptedRun scripted(c.script, c.noise);
        ScriptedRadio& radio = scripted.radio;
        TuneRun& run = *scripted.run;
        StandInGuard guard(radio.heard);
        guard.setReady(c.guard != Guard::NotReady);
        if (c.guard != Guard::None)
            run.setGuard(&guard);
        QCOMPARE(run.guardRefusal().isEmpty(), c.guard != Guard::NotReady);
        const bool peak = c.plan.method == TuneRun::Method::ByNoise;
        scripted.raise(c.event, peak ? "\\get_level STRENGTH" : "\\get_level SWR");
        if (c.guard == Guard::GoesBeforeKeyUp)
            radio.beforeAnswer = [&](const QByteArray& command, int) {
                if (command == "\\set_mode FM 0")
                    guard.setReady(false);
            };
        QSignalSpy moves(&run, &TuneRun::moveRequested);

        QCOMPARE(scripted.finish(c.plan), std::optional(c.outcome));
        QCOMPARE(run.isRestoreOwed(), c.event == Event::LinkDrops && !peak);
        if (run.isRestoreOwed()) {
            // Nothing could tell it to stop: the guard keeps it in its charge meanwhile.
            QVERIFY(radio.transmitting && !radio.heard.contains(guard::OffAirLine));
            radio.reconnect();
        }
        QTRY_VERIFY(!run.isRunning() && radio.isIdle());
        const qsizetype movesAtEnd = moves.size();
        QTest::qWait(50);
        QCOMPARE(moves.size(), movesAtEnd);
        QCOMPARE(radio.repliesToNobody, c.event == Event::None ? 0 : 1);
        if (c.guard == Guard::NotReady)
            QVERIFY2(radio.heard.isEmpty(), radio.heard.join(", ").constData());
        QVERIFY2(c.outcome != O::GuardNotReady ? !run.outcomeText().isEmpty()
                                               : run.outcomeText().contains(u"The guard is away."),
                 qPrintable(run.outcomeText()));

        for (double power : radio.keyedPowers)
            QVERIFY2(power <= 0.05, qPrintable(QString::number(power)));
        const qsizetype unkeying = radio.heard.indexOf("\\set_ptt 0");
        // On the air, at most three readings and no S-meter.
        const QByteArrayList onAir = radio.heard.mid(radio.heard.indexOf("\\set_ptt 1"));
        QVERIFY(!c.keyed || !onAir.contains("\\get_level STRENGTH"));
        QVERIFY2(c.noise != Noise::Resonant || onAir.count("\\get_level SWR") <= 3, onAir.join(", ").constData());
        // Readings and the tune mode and power aside: keyed once, the guard told first; then unkeyed,
        // mode and passband, power and nothing after them, the guard told last. A radio that never told
        // its mode is not given one.
        QByteArrayList told;
        for (qsizetype i = 0; i < radio.heard.size(); ++i) {
            const QByteArray& line = radio.heard[i];
            if (peak ? line != "\\get_level STRENGTH"
                     : (i >= unkeying && unkeying >= 0) || !(line.startsWith("\\get_") || line == "\\set_mode FM 0" ||
                                                             line == "\\set_level RFPOWER 0.05"))
                told << line;
        }
        const bool guarded = c.guard != Guard::None && c.keyed;
        QByteArrayList expected;
        if (guarded)
            expected << "ONAIR 10000 USB 2400 0.500000" + QByteArray(c.plan.frequencyToRestoreHz ? " 7074000" : "");
        if (c.keyed)
            expected << "\\set_ptt 1";
        if (c.guard != Guard::NotReady && !peak)
            expected << (radio.heard.contains("\\set_mode FM 0") ? Restore : Restore.mid(0, 1));
        if (guarded)
            expected << guard::OffAirLine;
        QCOMPARE(told, expected);
        QVERIFY(!radio.transmitting);
        QCOMPARE(radio.mode + ' ' + radio.passband + ' ' + radio.power, QByteArray("USB 2400 0.500000"));
        QCOMPARE(run.tunedTenths().has_value(), c.outcome == O::Tuned || c.outcome == O::Peaked);
        if (run.tunedTenths()) {
            QVERIFY2(std::abs(*run.tunedTenths() - 883) <= (peak ? 1 : 0), qPrintable(radio.servoAngle));
            QCOMPARE(radio.servoAngle.toDouble(), *run.tunedTenths() / 10.0);
        }
        if (c.servoBack)
            QCOMPARE(radio.servoAngle, QStringLiteral("90"));
    }

    void learnRunEndsWithTheRadioAsItWas_data()
    {
        QTest::addColumn<LearnCase>("c");
        using L = LearnRun::Outcome;
        const auto row = [](const char* name, const LearnCase& c) { QTest::newRow(name) << c; };
        const auto Swr = LearnMethod::Swr;
        const auto Noise = LearnMethod::Noise;
        const MessageAnswer No = MessageAnswer::No;
        const MessageAnswer Yes = MessageAnswer::Yes;
        row("SWR: completed", {Swr, {}, 0, Event::None, 120, L::Completed, No, true});
        row("SWR: stopped on the air",
            {Swr, "\\get_level SWR", 2, Event::OperatorStops, 120, L::StoppedByOperator, Yes, false});
        row("SWR: stopped between points, No",
            {Swr, "\\set_freq 7100000", 1, Event::OperatorStops, 120, L::StoppedByOperator, No, false});
        row("SWR: stopped between points, Yes",
            {Swr, "\\set_freq 7100000", 1, Event::OperatorStops, 120, L::StoppedByOperator, Yes, true});
        row("SWR: link drops between points",
            {Swr, "\\set_freq 7200000", 1, Event::LinkDrops, 120, L::LinkLost, Yes, true});
        row("SWR: link drops on the air", {Swr, "\\get_level SWR", 3, Event::LinkDrops, 120, L::LinkLost, No, false});
        row("SWR: LEARN_MAX_S reached", {Swr, {}, 0, Event::None, 1, L::TimeLimit, Yes, false});
        row("Noise: completed", {Noise, {}, 0, Event::None, 10, L::Completed, No, true});
        row("Noise: stopped reading",
            {Noise, "\\get_level STRENGTH", 5, Event::OperatorStops, 10, L::StoppedByOperator, Yes, false});
        row("Noise: link drops between points",
            {Noise, "\\set_freq 7100000", 1, Event::LinkDrops, 10, L::LinkLost, No, false});
    }

    // Whatever ends a learn run, the radio is unkeyed and gets its frequency, mode, passband and power
    // back, at once or once the link is back; the memories change only for a run that completed or
    // whose points the operator keeps.
    void learnRunEndsWithTheRadioAsItWas()
    {
        QFETCH(LearnCase, c);
        ScriptedRun scripted({}, c.method == LearnMethod::Noise ? Noise::Resonant : Noise::Missing);
        ScriptedRadio& radio = scripted.radio;
        LearnRun learn(radio, *scripted.run);
        qsizetype heardBeforeStop = -1;
        scripted.raise(c.event, c.eventAt, c.eventCount, [&] {
            heardBeforeStop = radio.heard.size();
            learn.stop();
        });
        QSignalSpy finished(&learn, &LearnRun::finished);
        QSignalSpy learned(&learn, &LearnRun::pointLearned);
        learn.start({.placement = {7000, 7200, c.method, 1.5},
                     .tune = {.settleMs = c.maxSecondsOnAir == 1 ? 400 : 0, .peakSettleMs = 0},
                     .maxSecondsOnAir = c.maxSecondsOnAir,
                     .band = QStringLiteral("40")},
                    900);

        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
        QCOMPARE(finished.constFirst().constFirst().value<LearnRun::Outcome>(), c.outcome);
        QCOMPARE(learn.isRestoreOwed(), c.event == Event::LinkDrops);
        if (c.event == Event::LinkDrops)
            radio.reconnect();
        QTRY_VERIFY(!learn.isRunning() && !learn.isRestoreOwed() && !scripted.run->isRunning() && radio.isIdle());
        QCOMPARE(learned.size(), learn.pointsDone());
        // Stopped, the point being tuned stops too: the meter is read no more.
        if (heardBeforeStop >= 0) {
            for (const QByteArray& command : radio.heard.mid(heardBeforeStop + 1))
                QVERIFY2(!command.startsWith("\\get_level"), radio.heard.join(", ").constData());
        }

        // Unkeyed whenever the VFO moves, never above the tune power, and back as it was at the end.
        bool keyed = false;
        for (const QByteArray& command : radio.heard) {
            keyed = command == "\\set_ptt 1" || (keyed && command != "\\set_ptt 0");
            QVERIFY2(!keyed || !command.startsWith("\\set_freq"), radio.heard.join(", ").constData());
        }
        for (double power : radio.keyedPowers)
            QVERIFY(power <= 0.05);
        QCOMPARE(radio.heard.contains("\\set_ptt 1"), c.method == LearnMethod::Swr);
        QByteArrayList restore = QByteArrayList{"\\set_ptt 0", "\\set_freq 7050000"} + Restore.mid(1);
        if (c.method == LearnMethod::Noise)
            restore.removeFirst();
        QCOMPARE(radio.heard.mid(radio.heard.size() - restore.size()), restore);
        QTRY_COMPARE(radio.frequencyHz(), 7050000);
        QVERIFY(!radio.transmitting);
        QCOMPARE(radio.mode + ' ' + radio.passband + ' ' + radio.power, QByteArray("USB 2400 0.500000"));
        QVERIFY(learn.secondsOnAir() <= c.maxSecondsOnAir);

        // The memories: those of 40 m SSB in the range give way, the rest stay.
        QTemporaryDir directory;
        const QString path = directory.filePath(QStringLiteral("VELTRANO.MDB"));
        const QList<TypedMemory> before = {{"40", "SSB", "7050", "80", "by hand", true},
                                           {"40", "CW", "7020", "89", "", true}};
        QVERIFY([&] {
            MemoryStore store;
            return store.open(path) && store.addAll(before.size(), [&](qsizetype i) { return before[i]; });
        }());
        FakePlatform platform;
        platform.answers = {c.keepAnswer};
        QCOMPARE(storeLearnedPoints(learn, path, QDate(2026, 12, 7), platform, nullptr), c.written);
        QCOMPARE(platform.messages.size(), c.outcome != LearnRun::Outcome::Completed && learn.pointsDone() > 0 ? 1 : 0);
        QStringList stored;
        for (const StoredMemory& memory : MemoryStore::readWithAngles(path).value_or(QList<StoredMemory>()))
            stored << memory.mode + ' ' + memory.frequency + ' ' + memory.note;
        // Between the points learned so far, for a run that ended early.
        const bool handMemoryGone =
            c.written && learn.points().constFirst().kHz <= 7050 && learn.points().constLast().kHz >= 7050;
        const QStringList kept = {"SSB 7050 by hand", "CW 7020 "};
        QCOMPARE(stored.mid(0, handMemoryGone ? 1 : 2), handMemoryGone ? kept.mid(1) : kept);
        QCOMPARE(stored.size(), (handMemoryGone ? 1 : 2) + (c.written ? learn.pointsDone() : 0));
        const char* how = c.method == LearnMethod::Swr ? "learned 2026-12-07 SWR " : "learned 2026-12-07 noise ";
        QVERIFY2(!c.written || stored.constLast().contains(how), qPrintable(stored.join(", ")));
    }
};

QTEST_GUILESS_MAIN(TestTuneRun)
#include "tst_tunerun.moc"
