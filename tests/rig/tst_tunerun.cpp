// The tune run's every outcome against a radio that answers from a script: what it is asked, what
// makes it stop, and that whatever ends the run, the radio is unkeyed first and given back its mode,
// passband and power.
#include "BoardSession.h"
#include "FakePlatform.h"
#include "KeyingGuard.h"
#include "LearnRun.h"
#include "MemoryStore.h"
#include "ScriptedRadio.h"
#include "TuneRun.h"

#include <QHash>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <optional>

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

enum class Event { None, OperatorStops, PortCloses, ServoOff, FrequencyChanges, LinkDrops };
using LearnMethod = LearnPlacement::Method;

using Script = QHash<QByteArray, QByteArrayList>;

const QByteArray Refused = "RPRT -11";
const QByteArray NoPower = "0.000000\nRPRT 0";

// A run on the scripted radio, with the port to the board open and the servo on; the angles it
// sends are where the radio's meter reads.
struct ScriptedRun {
    ScriptedRadio radio;
    BoardSession board;
    std::optional<TuneRun> run;

    ScriptedRun()
    {
        board.setLinkOpen(true);
        board.setServoState(ServoState::On);
        run.emplace(radio, board);
        QObject::connect(&*run, &TuneRun::moveRequested, &radio,
                         [this](const QString& angle) { radio.servoAngle = angle; });
    }

    // The event, as the radio is about to answer the second reading of its meter.
    void raiseAt(const QByteArray& meterCommand, Event event)
    {
        radio.beforeAnswer = [this, meterCommand, event](const QByteArray& command, int count) {
            if (command != meterCommand || count != 2)
                return;
            switch (event) {
            case Event::None: break;
            case Event::OperatorStops: run->stop(); break;
            case Event::PortCloses: board.setLinkOpen(false); break;
            case Event::ServoOff: board.setServoState(ServoState::Off); break;
            case Event::FrequencyChanges: radio.tune(7100000); break;
            case Event::LinkDrops: radio.drop(); break;
            }
        };
    }
};

} // namespace

class TestTuneRun : public QObject {
    Q_OBJECT
private slots:
    void everyOutcomeGivesTheRadioBack_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<Event>("event"); // while the second SWR reading is on its way, whose reply then comes late
        QTest::addColumn<TuneRun::Plan>("plan");
        QTest::addColumn<TuneRun::Outcome>("outcome");
        QTest::addColumn<bool>("askedToTransmit");

        using O = TuneRun::Outcome;
        const TuneRun::Plan quick{.maxSeconds = 10, .settleMs = 0, .peakSettleMs = 0};
        const TuneRun::Plan slowServoShortLimit{.maxSeconds = 1, .settleMs = 400, .peakSettleMs = 0};
        const auto row = [](const char* name, const Script& script, Event event, const TuneRun::Plan& plan, O outcome,
                            bool transmit) { QTest::newRow(name) << script << event << plan << outcome << transmit; };
        row("tuned", {}, Event::None, quick, O::Tuned, true);
        row("operator stops", {}, Event::OperatorStops, quick, O::StoppedByOperator, true);
        row("port to the board closes", {}, Event::PortCloses, quick, O::PortClosed, true);
        row("servo switched off", {}, Event::ServoOff, quick, O::ServoOff, true);
        row("radio's frequency changes", {}, Event::FrequencyChanges, quick, O::FrequencyChanged, true);
        row("link drops: restored once it is back", {}, Event::LinkDrops, quick, O::LinkLost, true);
        row("time limit", {}, Event::None, slowServoShortLimit, O::TimeLimit, true);
        row("meter reads 0 twice", {{"\\get_level SWR", QByteArrayList(5, NoPower)}}, Event::None, quick,
            O::NoForwardPower, true);
        row("meter reads 0 once: read again", {{"\\get_level SWR", {NoPower}}}, Event::None, quick, O::Tuned, true);
        row("SWR no number", {{"\\get_level SWR", {"high\nRPRT 0"}}}, Event::None, quick, O::RadioRefused, true);
        row("mode not told", {{"\\get_mode", {Refused}}}, Event::None, quick, O::RadioRefused, false);
        row("tune mode refused", {{"\\set_mode FM 0", {Refused}}}, Event::None, quick, O::RadioRefused, false);
        row("tune power refused", {{"\\set_level RFPOWER 0.05", {Refused}}}, Event::None, quick, O::RadioRefused,
            false);
        row("power read back above the plan", {{"\\get_level RFPOWER", {"0.500000\nRPRT 0", "0.100000\nRPRT 0"}}},
            Event::None, quick, O::RadioRefused, false);
        row("transmitting refused", {{"\\set_ptt 1", {"RPRT -9"}}}, Event::None, quick, O::RadioRefused, true);
    }

    void everyOutcomeGivesTheRadioBack()
    {
        QFETCH(Script, script);
        QFETCH(Event, event);
        QFETCH(TuneRun::Plan, plan);
        QFETCH(TuneRun::Outcome, outcome);
        QFETCH(bool, askedToTransmit);

        ScriptedRun scripted;
        ScriptedRadio& radio = scripted.radio;
        radio.script = script;
        TuneRun& run = *scripted.run;
        QSignalSpy moves(&run, &TuneRun::moveRequested);
        QSignalSpy finished(&run, &TuneRun::finished);
        scripted.raiseAt("\\get_level SWR", event);
        run.start(plan, 900);

        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QCOMPARE(finished.constFirst().constFirst().value<TuneRun::Outcome>(), outcome);
        QCOMPARE(run.isRestoreOwed(), event == Event::LinkDrops);
        if (event == Event::LinkDrops) {
            QVERIFY(radio.transmitting); // nothing could tell it to stop
            radio.reconnect();
        }
        QTRY_VERIFY(!run.isRunning() && radio.isIdle());
        const qsizetype movesAtEnd = moves.size();
        QTest::qWait(50);
        QCOMPARE(moves.size(), movesAtEnd);
        QCOMPARE(radio.repliesToNobody, event == Event::None ? 0 : 1);

        QCOMPARE(radio.heard.contains("\\set_ptt 1"), askedToTransmit);
        for (double power : radio.keyedPowers)
            QVERIFY2(power <= 0.05, qPrintable(QString::number(power)));
        // Unkeying first, then mode and passband, then power, and nothing after them; a radio that never
        // told its mode is not given one.
        QByteArrayList restore = {"\\set_ptt 0", "\\set_mode USB 2400", "\\set_level RFPOWER 0.500000"};
        if (!radio.heard.contains("\\set_mode FM 0"))
            restore = restore.mid(0, 1);
        const qsizetype unkeying = radio.heard.indexOf("\\set_ptt 0");
        QVERIFY2(unkeying >= 0, radio.heard.join(", ").constData());
        QCOMPARE(radio.heard.mid(unkeying), restore);
        QVERIFY(!radio.transmitting);
        QCOMPARE(radio.mode + ' ' + radio.passband + ' ' + radio.power, QByteArray("USB 2400 0.500000"));
        if (outcome == TuneRun::Outcome::Tuned)
            QCOMPARE(run.tunedTenths().value_or(0), 883);
        else
            QVERIFY(!run.tunedTenths());
    }

    void peakNeverTransmits_data()
    {
        QTest::addColumn<Noise>("noise");
        QTest::addColumn<Script>("script");
        QTest::addColumn<Event>("event"); // while the second S-meter reading is on its way
        QTest::addColumn<int>("lowestTenths");
        QTest::addColumn<TuneRun::Outcome>("outcome");
        QTest::addColumn<bool>("servoBack"); // sent back to where it started

        using O = TuneRun::Outcome;
        const Script none;
        const Script garbled{{"\\get_level STRENGTH", {"-30\nRPRT 0", "-30\nRPRT 0", "-30\nRPRT 0", "S5\nRPRT 0"}}};
        QTest::newRow("peaked") << Noise::Resonant << none << Event::None << 0 << O::Peaked << false;
        QTest::newRow("flat") << Noise::Flat << none << Event::None << 0 << O::NoPeakFlat << true;
        QTest::newRow("beyond reach") << Noise::Resonant << none << Event::None << 890 << O::NoPeakBeyondReach << true;
        QTest::newRow("too strong") << Noise::Strong << none << Event::None << 0 << O::NoiseTooStrong << true;
        QTest::newRow("no level") << Noise::Missing << none << Event::None << 0 << O::NoStrengthLevel << true;
        QTest::newRow("reading no number")
            << Noise::Resonant << garbled << Event::None << 0 << O::NoStrengthLevel << true;
        QTest::newRow("operator stops") << Noise::Resonant << none << Event::OperatorStops << 0 << O::StoppedByOperator
                                        << false;
        QTest::newRow("port closes") << Noise::Resonant << none << Event::PortCloses << 0 << O::PortClosed << false;
        QTest::newRow("servo off") << Noise::Resonant << none << Event::ServoOff << 0 << O::ServoOff << false;
        QTest::newRow("frequency changes")
            << Noise::Resonant << none << Event::FrequencyChanges << 0 << O::FrequencyChanged << false;
        QTest::newRow("link drops") << Noise::Resonant << none << Event::LinkDrops << 0 << O::LinkLost << false;
    }

    // PEAK reads the S-meter and nothing else, whatever ends it, and owes the radio nothing.
    void peakNeverTransmits()
    {
        QFETCH(Noise, noise);
        QFETCH(Script, script);
        QFETCH(Event, event);
        QFETCH(int, lowestTenths);
        QFETCH(TuneRun::Outcome, outcome);
        QFETCH(bool, servoBack);

        ScriptedRun scripted;
        ScriptedRadio& radio = scripted.radio;
        radio.noise = noise;
        radio.script = script;
        TuneRun& run = *scripted.run;
        QSignalSpy finished(&run, &TuneRun::finished);
        scripted.raiseAt("\\get_level STRENGTH", event);
        TuneRun::Plan plan;
        plan.method = TuneRun::Method::ByNoise;
        plan.settleMs = 0;
        plan.peakSettleMs = 0;
        plan.lowestTenths = lowestTenths;
        run.start(plan, 900);

        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QCOMPARE(finished.constFirst().constFirst().value<TuneRun::Outcome>(), outcome);
        QVERIFY(!run.isRunning() && !run.isRestoreOwed());
        radio.heard.removeAll("\\get_level STRENGTH");
        QVERIFY2(radio.heard.isEmpty(), radio.heard.join(", ").constData());
        QVERIFY(!run.outcomeText().isEmpty());
        if (servoBack)
            QCOMPARE(radio.servoAngle, QStringLiteral("90"));
        if (outcome == TuneRun::Outcome::Peaked) {
            QVERIFY2(std::abs(run.tunedTenths().value_or(0) - 883) <= 1, qPrintable(radio.servoAngle));
            QCOMPARE(radio.servoAngle.toDouble(), *run.tunedTenths() / 10.0);
        } else {
            QVERIFY(!run.tunedTenths());
        }
    }

    // The guard hears of the key-up before the radio does, with what to give back, and that the radio
    // is off the air only once it has it back; a guard that cannot act keeps the radio off the air.
    void theGuardIsToldAroundTheKeyUp_data()
    {
        QTest::addColumn<bool>("readyAtStart");
        QTest::addColumn<QByteArray>("guardGoesAt"); // as the radio is about to answer this
        QTest::addColumn<Event>("event");            // at the second SWR reading
        QTest::addColumn<qint64>("frequencyToRestore");
        QTest::addColumn<TuneRun::Outcome>("outcome");
        QTest::addColumn<QByteArrayList>("told"); // the guard's lines, the PTT and the restore, in order

        using O = TuneRun::Outcome;
        const QByteArrayList restore = {"\\set_ptt 0", "\\set_mode USB 2400", "\\set_level RFPOWER 0.500000"};
        const QByteArrayList guarded =
            QByteArrayList{"ONAIR 10000 USB 2400 0.500000", "\\set_ptt 1"} + restore + QByteArrayList{"OFFAIR"};
        QTest::newRow("guard ready") << true << QByteArray() << Event::None << qint64(0) << O::Tuned << guarded;
        QTest::newRow("guard not ready: not started")
            << false << QByteArray() << Event::None << qint64(0) << O::GuardNotReady << QByteArrayList();
        QTest::newRow("guard gone before the key-up: never keyed")
            << true << QByteArray("\\set_mode FM 0") << Event::None << qint64(0) << O::GuardNotReady << restore;
        QTest::newRow("link drops: off the air once the radio is back")
            << true << QByteArray() << Event::LinkDrops << qint64(0) << O::LinkLost << guarded;
        QTest::newRow("a frequency to give back")
            << true << QByteArray() << Event::None << qint64(7074000) << O::Tuned
            << QByteArrayList{"ONAIR 10000 USB 2400 0.500000 7074000", "\\set_ptt 1"} + restore +
                   QByteArrayList{"OFFAIR"};
    }

    void theGuardIsToldAroundTheKeyUp()
    {
        QFETCH(bool, readyAtStart);
        QFETCH(QByteArray, guardGoesAt);
        QFETCH(Event, event);
        QFETCH(qint64, frequencyToRestore);
        QFETCH(TuneRun::Outcome, outcome);
        QFETCH(QByteArrayList, told);

        ScriptedRun scripted;
        ScriptedRadio& radio = scripted.radio;
        TuneRun& run = *scripted.run;
        StandInGuard guard(radio.heard);
        guard.setReady(readyAtStart);
        run.setGuard(&guard);
        QCOMPARE(run.guardRefusal().isEmpty(), readyAtStart);
        QSignalSpy finished(&run, &TuneRun::finished);
        scripted.raiseAt("\\get_level SWR", event);
        if (!guardGoesAt.isEmpty())
            radio.beforeAnswer = [&](const QByteArray& command, int) {
                if (command == guardGoesAt)
                    guard.setReady(false);
            };
        TuneRun::Plan plan{.maxSeconds = 10, .settleMs = 0, .peakSettleMs = 0};
        if (frequencyToRestore > 0)
            plan.frequencyToRestoreHz = frequencyToRestore;
        run.start(plan, 900);

        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QCOMPARE(finished.constFirst().constFirst().value<TuneRun::Outcome>(), outcome);
        if (event == Event::LinkDrops) {
            // Nothing could unkey the radio: the guard keeps it in its charge meanwhile.
            QVERIFY(!radio.heard.contains(guard::OffAirLine));
            radio.reconnect();
        }
        QTRY_VERIFY(!run.isRunning() && radio.isIdle());
        QVERIFY(!radio.transmitting);
        if (outcome == TuneRun::Outcome::GuardNotReady)
            QVERIFY2(run.outcomeText().contains(u"The guard is away."), qPrintable(run.outcomeText()));
        if (!readyAtStart)
            QVERIFY2(radio.heard.isEmpty(), radio.heard.join(", ").constData());
        QByteArrayList heard;
        for (const QByteArray& line : std::as_const(radio.heard)) {
            if (!line.startsWith("\\get_") && line != "\\set_mode FM 0" && line != "\\set_level RFPOWER 0.05")
                heard << line;
        }
        QCOMPARE(heard, told);
    }

    // With an S-meter, TUNE walks near the dip on receive and keys once, for a few readings.
    void tuneListensBeforeKeying()
    {
        ScriptedRun scripted;
        ScriptedRadio& radio = scripted.radio;
        radio.noise = Noise::Resonant;
        TuneRun& run = *scripted.run;
        QSignalSpy finished(&run, &TuneRun::finished);
        TuneRun::Plan plan;
        plan.settleMs = 0;
        plan.peakSettleMs = 0;
        run.start(plan, 900);

        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QCOMPARE(finished.constFirst().constFirst().value<TuneRun::Outcome>(), TuneRun::Outcome::Tuned);
        QCOMPARE(run.tunedTenths().value_or(0), 883);
        QTRY_VERIFY(radio.isIdle());
        QCOMPARE(radio.heard.count("\\set_ptt 1"), 1);
        const QByteArrayList onAir = radio.heard.mid(radio.heard.indexOf("\\set_ptt 1"));
        QVERIFY(!onAir.contains("\\get_level STRENGTH"));
        QVERIFY2(onAir.count("\\get_level SWR") <= 3, onAir.join(", ").constData());
        QCOMPARE(onAir.mid(onAir.indexOf("\\set_ptt 0")),
                 QByteArrayList({"\\set_ptt 0", "\\set_mode USB 2400", "\\set_level RFPOWER 0.500000"}));
    }

    void learnRunEndsWithTheRadioAsItWas_data()
    {
        QTest::addColumn<LearnMethod>("method");
        QTest::addColumn<QByteArray>("eventAt"); // the command the event comes with, as the radio is about to answer
        QTest::addColumn<int>("eventCount");     // ... the nth time
        QTest::addColumn<Event>("event");
        QTest::addColumn<int>("maxSecondsOnAir");
        QTest::addColumn<LearnRun::Outcome>("outcome");
        QTest::addColumn<MessageAnswer>("keepAnswer"); // to keeping the points of a run that ended early
        QTest::addColumn<bool>("written");

        using O = LearnRun::Outcome;
        const auto row = [](const char* name, LearnMethod method, const QByteArray& at, int count, Event event,
                            int maxOnAir, O outcome, MessageAnswer answer, bool written) {
            QTest::newRow(name) << method << at << count << event << maxOnAir << outcome << answer << written;
        };
        const MessageAnswer No = MessageAnswer::No;
        const MessageAnswer Yes = MessageAnswer::Yes;
        row("SWR: completed", LearnMethod::Swr, {}, 0, Event::None, 120, O::Completed, No, true);
        row("SWR: stopped on the air", LearnMethod::Swr, "\\get_level SWR", 2, Event::OperatorStops, 120,
            O::StoppedByOperator, Yes, false);
        row("SWR: stopped between points, No", LearnMethod::Swr, "\\set_freq 7100000", 1, Event::OperatorStops, 120,
            O::StoppedByOperator, No, false);
        row("SWR: stopped between points, Yes", LearnMethod::Swr, "\\set_freq 7100000", 1, Event::OperatorStops, 120,
            O::StoppedByOperator, Yes, true);
        row("SWR: link drops between points", LearnMethod::Swr, "\\set_freq 7200000", 1, Event::LinkDrops, 120,
            O::LinkLost, Yes, true);
        row("SWR: link drops on the air", LearnMethod::Swr, "\\get_level SWR", 3, Event::LinkDrops, 120, O::LinkLost,
            No, false);
        row("SWR: LEARN_MAX_S reached", LearnMethod::Swr, {}, 0, Event::None, 1, O::TimeLimit, Yes, false);
        row("Noise: completed", LearnMethod::Noise, {}, 0, Event::None, 10, O::Completed, No, true);
        row("Noise: stopped reading", LearnMethod::Noise, "\\get_level STRENGTH", 5, Event::OperatorStops, 10,
            O::StoppedByOperator, Yes, false);
        row("Noise: link drops between points", LearnMethod::Noise, "\\set_freq 7100000", 1, Event::LinkDrops, 10,
            O::LinkLost, No, false);
    }

    // Whatever ends a learn run, the radio is unkeyed and gets its frequency, mode, passband and power
    // back, at once or once the link is back; the memories change only for a run that completed or
    // whose points the operator keeps.
    void learnRunEndsWithTheRadioAsItWas()
    {
        QFETCH(LearnMethod, method);
        QFETCH(QByteArray, eventAt);
        QFETCH(int, eventCount);
        QFETCH(Event, event);
        QFETCH(int, maxSecondsOnAir);
        QFETCH(LearnRun::Outcome, outcome);
        QFETCH(MessageAnswer, keepAnswer);
        QFETCH(bool, written);

        ScriptedRun scripted;
        ScriptedRadio& radio = scripted.radio;
        radio.noise = method == LearnMethod::Noise ? Noise::Resonant : Noise::Missing;
        LearnRun learn(radio, *scripted.run);
        radio.beforeAnswer = [&](const QByteArray& command, int count) {
            if (command != eventAt || count != eventCount)
                return;
            if (event == Event::OperatorStops)
                learn.stop();
            else if (event == Event::LinkDrops)
                radio.drop();
        };
        QSignalSpy finished(&learn, &LearnRun::finished);
        QSignalSpy learned(&learn, &LearnRun::pointLearned);
        LearnRun::Plan plan;
        plan.placement = {7000, 7200, method, 1.5};
        plan.tune.settleMs = maxSecondsOnAir == 1 ? 400 : 0;
        plan.tune.peakSettleMs = 0;
        plan.maxSecondsOnAir = maxSecondsOnAir;
        plan.band = QStringLiteral("40");
        learn.start(plan, 900);

        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
        QCOMPARE(finished.constFirst().constFirst().value<LearnRun::Outcome>(), outcome);
        QCOMPARE(learn.isRestoreOwed(), event == Event::LinkDrops);
        if (event == Event::LinkDrops)
            radio.reconnect();
        QTRY_VERIFY(!learn.isRunning() && !learn.isRestoreOwed() && !scripted.run->isRunning() && radio.isIdle());
        QCOMPARE(learned.size(), learn.pointsDone());

        // Unkeyed whenever the VFO moves, never above the tune power, and back as it was at the end.
        bool keyed = false;
        for (const QByteArray& command : radio.heard) {
            keyed = command == "\\set_ptt 1" || (keyed && command != "\\set_ptt 0");
            QVERIFY2(!keyed || !command.startsWith("\\set_freq"), radio.heard.join(", ").constData());
        }
        for (double power : radio.keyedPowers)
            QVERIFY(power <= 0.05);
        QCOMPARE(radio.heard.contains("\\set_ptt 1"), method == LearnMethod::Swr);
        QByteArrayList restore = {"\\set_ptt 0", "\\set_freq 7050000", "\\set_mode USB 2400",
                                  "\\set_level RFPOWER 0.500000"};
        if (method == LearnMethod::Noise)
            restore.removeFirst();
        QCOMPARE(radio.heard.mid(radio.heard.size() - restore.size()), restore);
        QTRY_COMPARE(radio.frequencyHz(), 7050000);
        QVERIFY(!radio.transmitting);
        QCOMPARE(radio.mode + ' ' + radio.passband + ' ' + radio.power, QByteArray("USB 2400 0.500000"));
        QVERIFY(learn.secondsOnAir() <= maxSecondsOnAir);

        // The memories: those of 40 m SSB in the range give way, the rest stay.
        QTemporaryDir directory;
        const QString path = directory.filePath(QStringLiteral("VELTRANO.MDB"));
        const QList<TypedMemory> before = {{"40", "SSB", "7050", "80", "by hand", true},
                                           {"40", "SSB", "7250", "84", "", true},
                                           {"40", "CW", "7020", "89", "", true}};
        {
            MemoryStore store;
            QVERIFY(store.open(path) && store.addAll(before.size(), [&](qsizetype i) { return before[i]; }));
        }
        FakePlatform platform;
        platform.answers = {keepAnswer};
        QCOMPARE(storeLearnedPoints(learn, path, QDate(2026, 12, 7), platform, nullptr), written);
        QCOMPARE(platform.messages.size(), outcome != LearnRun::Outcome::Completed && learn.pointsDone() > 0 ? 1 : 0);
        const auto after = MemoryStore::readWithAngles(path);
        QVERIFY(after);
        QStringList stored;
        for (const StoredMemory& memory : *after)
            stored << memory.mode + ' ' + memory.frequency + ' ' + memory.command;
        if (!written) {
            QCOMPARE(stored, QStringList({"SSB 7050 A,80", "SSB 7250 A,84", "CW 7020 A,89"}));
            return;
        }
        // Between the points learned so far, for a run that ended early.
        const bool handMemoryCovered =
            learn.points().constFirst().kHz <= 7050 && learn.points().constLast().kHz >= 7050;
        QCOMPARE(stored.contains("SSB 7050 A,80"), !handMemoryCovered);
        QCOMPARE(after->size(), (handMemoryCovered ? 2 : 3) + learn.pointsDone());
        QVERIFY(stored.contains("SSB 7250 A,84") && stored.contains("CW 7020 A,89"));
        const StoredMemory first = after->at(after->size() - learn.pointsDone());
        QCOMPARE(first.frequency, QStringLiteral("7000"));
        QVERIFY(first.valid);
        QCOMPARE(first.command, memoryCommand(angleText(learn.points().constFirst().tenths)));
        QVERIFY2(first.note.startsWith(method == LearnMethod::Swr ? "learned 2026-12-07 SWR 1.0"
                                                                  : "learned 2026-12-07 noise -2"),
                 qPrintable(first.note));
    }
};

QTEST_GUILESS_MAIN(TestTuneRun)
#include "tst_tunerun.moc"
