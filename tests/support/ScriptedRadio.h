#pragma once

#include "BoardSession.h"
#include "RigChannel.h"
#include "RigReply.h"
#include "TuneRun.h"

#include <QHash>
#include <QPointer>
#include <QQueue>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <optional>

// What the radio's S-meter reads: no STRENGTH level, the band noise through a loop resonant at the
// dip, the same at every angle, or a carrier through the loop that reads above S9+20 near the dip.
enum class Noise { Missing, Resonant, Flat, Strong };

// An extended command's reply as rigctld writes it, the echo first: "\set_level RFPOWER 0.5" is
// answered "set_level: RFPOWER 0.5", then the body's lines.
inline QByteArray rigctldReply(const QByteArray& command, const QByteArray& body)
{
    const qsizetype blank = command.indexOf(' ');
    return command.mid(1, blank < 0 ? -1 : blank - 1) + ':' + (blank < 0 ? QByteArray() : command.mid(blank)) + '\n' +
           body + '\n';
}

using Script = QHash<QByteArray, QByteArrayList>; // replies to a command, in turn

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
    Noise noise = Noise::Missing;
    Script script;
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

    // The radio's own reply to a command, after acting on it; without the echo.
    QByteArray answer(const QByteArray& command)
    {
        const QByteArrayList words = command.split(' ');
        if (command == "\\get_mode")
            return "Mode: " + mode + "\nPassband: " + passband + "\nRPRT 0";
        if (command == "\\get_level RFPOWER")
            return power + "\nRPRT 0";
        if (command == "\\get_freq")
            return "Frequency: " + QByteArray::number(m_frequencyHz) + "\nRPRT 0";
        if (words.value(0) == "\\set_freq" && words.size() == 2) {
            // Told at the next poll.
            QTimer::singleShot(0, this, [this, hertz = words[1].toLongLong()] { tune(hertz); });
            return "RPRT 0";
        }
        if (command == "\\get_level SWR") {
            const double swr = transmitting ? 1 + std::abs(servoAngle.toDouble() - dip()) / 2 : 0;
            return QByteArray::number(swr, 'f', 6) + "\nRPRT 0";
        }
        if (command == "\\get_level STRENGTH") {
            // Whole dB; the loop passes half the noise 0.3 degrees off its resonance.
            const double off = (servoAngle.toDouble() - dip()) / 0.3;
            const double response = -10 * std::log10(1 + off * off);
            const double db = noise == Noise::Flat ? -24 : (noise == Noise::Strong ? 21 : -24) + response;
            return noise == Noise::Missing ? "RPRT -1" : QByteArray::number(std::lround(db)) + "\nRPRT 0";
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
        QByteArrayList& scripted = script[command];
        const QByteArray body = scripted.isEmpty() ? answer(command) : scripted.takeFirst();
        const QList<RigReply> replies = RigReplyParser().feed(rigctldReply(command, body));
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

    // The loop's resonance: 88.3 degrees at 7050 kHz, a degree lower every 50 kHz up.
    double dip() const { return 88.3 - double(m_frequencyHz - 7050000) / 50000; }

    State m_state = State::Connected;
    qint64 m_frequencyHz = 7050000;
    QQueue<Pending> m_queue;
    QHash<QByteArray, int> m_counts;
};

enum class Event { None, OperatorStops, PortCloses, ServoOff, FrequencyChanges, LinkDrops };

// A run on the scripted radio, with the port to the board open and the servo on; the angles it
// sends are where the radio's meter reads.
struct ScriptedRun {
    ScriptedRadio radio;
    BoardSession board;
    std::optional<TuneRun> run;

    ScriptedRun(const Script& script, Noise noise)
    {
        radio.script = script;
        radio.noise = noise;
        board.setLinkOpen(true);
        board.setServoState(ServoState::On);
        run.emplace(radio, board);
        QObject::connect(&*run, &TuneRun::moveRequested, &radio,
                         [this](const QString& angle) { radio.servoAngle = angle; });
    }

    // The event, as the radio is about to answer the command the nth time.
    void raise(Event event, const QByteArray& command, int count = 2, const std::function<void()>& stop = {})
    {
        radio.beforeAnswer = [this, event, command, count, stop](const QByteArray& heard, int times) {
            if (heard != command || times != count)
                return;
            switch (event) {
            case Event::None: break;
            case Event::OperatorStops: stop ? stop() : run->stop(); break;
            case Event::PortCloses: board.setLinkOpen(false); break;
            case Event::ServoOff: board.setServoState(ServoState::Off); break;
            case Event::FrequencyChanges: radio.tune(7100000); break;
            case Event::LinkDrops: radio.drop(); break;
            }
        };
    }

    // Starts a run from 90 degrees: the outcome it finished with, none within 5 s.
    std::optional<TuneRun::Outcome> finish(const TuneRun::Plan& plan)
    {
        QSignalSpy finished(&*run, &TuneRun::finished);
        run->start(plan, 900);
        if (!QTest::qWaitFor([&] { return !finished.isEmpty(); }, 5000))
            return std::nullopt;
        return finished.constFirst().constFirst().value<TuneRun::Outcome>();
    }
};
