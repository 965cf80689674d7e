// The tune run's every outcome against a radio that answers from a script: what it is asked, what
// makes it stop, and that whatever ends the run, the radio is unkeyed first and given back its mode,
// passband and power.
#include "BoardSession.h"
#include "RigChannel.h"
#include "TuneRun.h"

#include <QHash>
#include <QPointer>
#include <QQueue>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

// A radio behind the channel, as rigctld's dummy radio behaves: it keeps mode, passband, power and
// PTT, and its meter reads an SWR rising on either side of a dip. A scripted reply to a command takes
// the place of the radio's own, in turn, until the script for that command is used up.
class ScriptedRadio final : public RigChannel {
public:
    QByteArray mode = "USB";
    QByteArray passband = "2400";
    QByteArray power = "0.500000";
    bool transmitting = false;
    QString servoAngle;
    QHash<QByteArray, QByteArrayList> script;
    // Everything that reached the radio, in order, and the power each time it began to transmit.
    QByteArrayList heard;
    QList<double> keyedPowers;
    int repliesToNobody = 0;
    // Runs as the radio is about to answer a command: the command and how often it came so far.
    std::function<void(const QByteArray&, int)> beforeAnswer;

    void request(const QByteArray& command, QObject* context, ReplyHandler handler) override
    {
        m_queue.enqueue({command, context, std::move(handler)});
        if (m_state != State::Connected)
            return answerAll();
        if (m_queue.size() == 1)
            QTimer::singleShot(0, this, &ScriptedRadio::answerNext);
    }
    void sendBeforeExit(const QList<QByteArray>&, int) override {}
    State state() const override { return m_state; }
    qint64 frequencyHz() const override { return m_frequencyHz; }

    void tune(qint64 hertz)
    {
        m_frequencyHz = hertz;
        emit frequencyChanged(hertz);
    }
    void drop()
    {
        m_state = State::WaitingToRetry;
        answerAll();
        emit stateChanged(m_state);
    }
    void reconnect()
    {
        m_state = State::Connected;
        emit stateChanged(m_state);
    }
    bool isIdle() const { return m_queue.isEmpty(); }

private:
    struct Pending {
        QByteArray command;
        QPointer<QObject> context;
        ReplyHandler handler;
    };

    void answerAll()
    {
        while (!m_queue.isEmpty())
            QTimer::singleShot(0, this, [this, pending = m_queue.dequeue()] { deliver(pending, RigReply{}); });
    }

    void answerNext()
    {
        if (m_queue.isEmpty() || m_state != State::Connected)
            return;
        const QByteArray command = m_queue.head().command;
        if (beforeAnswer)
            beforeAnswer(command, ++m_counts[command]);
        if (m_state != State::Connected || m_queue.isEmpty())
            return;
        const Pending pending = m_queue.dequeue();
        heard << command;
        // The echo rigctld writes before the reply: "\set_level RFPOWER 0.5" gives "set_level: RFPOWER 0.5".
        const qsizetype blank = command.indexOf(' ');
        const QByteArray echo =
            command.mid(1, blank < 0 ? -1 : blank - 1) + ':' + (blank < 0 ? QByteArray() : command.mid(blank));
        QByteArrayList& scripted = script[command];
        const QByteArray body = scripted.isEmpty() ? answer(command) : scripted.takeFirst();
        const QList<RigReply> replies = RigReplyParser().feed(echo + '\n' + body + '\n');
        QCOMPARE_EQ(replies.size(), 1);
        deliver(pending, replies.constFirst());
        if (!m_queue.isEmpty())
            QTimer::singleShot(0, this, &ScriptedRadio::answerNext);
    }

    void deliver(const Pending& pending, const RigReply& reply)
    {
        if (pending.context)
            pending.handler(reply);
        else
            ++repliesToNobody;
    }

    QByteArray answer(const QByteArray& command)
    {
        const QByteArrayList words = command.split(' ');
        if (command == "\\get_mode")
            return "Mode: " + mode + "\nPassband: " + passband + "\nRPRT 0";
        if (command == "\\get_level RFPOWER")
            return power + "\nRPRT 0";
        if (command == "\\get_level SWR") {
            const double swr = transmitting ? 1 + std::abs(servoAngle.toDouble() - 88.3) / 2 : 0;
            return QByteArray::number(swr, 'f', 6) + "\nRPRT 0";
        }
        if (words.value(0) == "\\set_mode" && words.size() == 3) {
            mode = words[1];
            passband = words[2] == "0" ? QByteArray("15000") : words[2];
        } else if (words.value(0) == "\\set_level" && words.value(1) == "RFPOWER" && words.size() == 3) {
            power = QByteArray::number(words[2].toDouble(), 'f', 6);
        } else if (command == "\\set_ptt 1") {
            transmitting = true;
            keyedPowers << power.toDouble();
        } else if (command == "\\set_ptt 0") {
            transmitting = false;
        } else {
            return "RPRT -11";
        }
        return "RPRT 0";
    }

    State m_state = State::Connected;
    qint64 m_frequencyHz = 7050000;
    QQueue<Pending> m_queue;
    QHash<QByteArray, int> m_counts;
};

enum class Event { None, OperatorStops, PortCloses, ServoOff, FrequencyChanges, LinkDrops };

using Script = QHash<QByteArray, QByteArrayList>;

const QByteArray Refused = "RPRT -11";
const QByteArray NoPower = "0.000000\nRPRT 0";

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
        const TuneRun::Plan quick{5, QStringLiteral("FM"), 10, 0};
        const TuneRun::Plan slowServoShortLimit{5, QStringLiteral("FM"), 1, 400};
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

        ScriptedRadio radio;
        radio.script = script;
        BoardSession board;
        board.setLinkOpen(true);
        board.setServoState(ServoState::On);
        TuneRun run(radio, board);
        connect(&run, &TuneRun::moveRequested, &radio, [&radio](const QString& angle) { radio.servoAngle = angle; });
        QSignalSpy moves(&run, &TuneRun::moveRequested);
        QSignalSpy finished(&run, &TuneRun::finished);
        radio.beforeAnswer = [&](const QByteArray& command, int count) {
            if (command != "\\get_level SWR" || count != 2)
                return;
            switch (event) {
            case Event::None: break;
            case Event::OperatorStops: run.stop(); break;
            case Event::PortCloses: board.setLinkOpen(false); break;
            case Event::ServoOff: board.setServoState(ServoState::Off); break;
            case Event::FrequencyChanges: radio.tune(7100000); break;
            case Event::LinkDrops: radio.drop(); break;
            }
        };
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
};

QTEST_GUILESS_MAIN(TestTuneRun)
#include "tst_tunerun.moc"
