// Following the radio: the tuning table, the follower's rules on a real memory
// file, the rigctld client against the real daemon and against a peer that misbehaves, the rig window.
#include "BoardSession.h"
#include "FakePlatform.h"
#include "GlobalSettings.h"
#include "LearnWindow.h"
#include "MemoryStore.h"
#include "OtherConnection.h"
#include "RigDaemon.h"
#include "RigFollower.h"
#include "RigLink.h"
#include "RigReply.h"
#include "RigWindow.h"
#include "ScriptedRadio.h"
#include "TestProgramDirectory.h"
#include "TuneRun.h"
#include "TuningTable.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

Q_DECLARE_METATYPE(QList<StoredMemory>)

namespace {

StoredMemory memory(int number, const char* kHz, double degrees, bool valid = true)
{
    return {number, QStringLiteral("40"), QStringLiteral("FT8"), QString::fromLatin1(kHz), degrees, {}, valid, {}};
}

double processCpuMilliseconds()
{
    return double(std::clock()) * 1000 / CLOCKS_PER_SEC;
}

constexpr int WaitMs = 5000;

struct LearnWindowCase {
    QStringList fields; // From, To, Max SWR, By
    bool tuneTx;
    bool radio; // connected to rigctld
    bool portOpen;
    bool servoOn;
    QString named; // in the message; empty when the run is asked for
};

// The rig window over the standard settings file, its radio not connected.
struct RigWindowRig {
    TestProgramDirectory directory{TestProgramDirectory::standardSettings(QStringLiteral("/dev/null"))};
    GlobalSettings settings = loaded(directory);
    RigLink link;
    BoardSession session;
    RigFollower follower{session};
    FakePlatform platform;
    TuneRun tuneRun{link, session};
    RigWindow window{link, follower, tuneRun, settings.rig, directory.settingsPath(), platform, QString()};

    static GlobalSettings loaded(const TestProgramDirectory& directory)
    {
        GlobalSettings settings;
        if (carica_ini(directory.path(), settings))
            qFatal("the standard settings do not load");
        return settings;
    }
};

// rigctld's protocol from a radio that answers, until it stalls: connections are accepted and read,
// nothing is answered any more. What came in is kept with the time it came.
class StallingRadio : public QObject {
public:
    // Stalls at the first SWR reading this long after the key-up; -1: never.
    qint64 stallAfterMs = -1;
    bool stalled = false;
    qint64 stalledAt = -1;
    QElapsedTimer clock;
    QList<std::pair<qint64, QByteArray>> heard; // ms since start, command without '+'

    StallingRadio()
    {
        m_radio.servoAngle = QStringLiteral("87.3"); // SWR 1.5 on the air
        clock.start();
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* connection = m_server.nextPendingConnection())
                connect(connection, &QTcpSocket::readyRead, this, [this, connection] { take(*connection); });
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    // When the radio heard the command first after the time given, -1: never.
    qint64 heardAt(const QByteArray& command, qint64 after = 0) const
    {
        for (const auto& [ms, line] : heard) {
            if (line == command && ms >= after)
                return ms;
        }
        return -1;
    }

private:
    void take(QTcpSocket& connection)
    {
        while (connection.canReadLine()) {
            const QByteArray command = connection.readLine().trimmed().mid(1);
            heard.append({clock.elapsed(), command});
            const qint64 keyedAt = heardAt("\\set_ptt 1");
            if (!stalled && stallAfterMs >= 0 && keyedAt >= 0 && command == "\\get_level SWR" &&
                clock.elapsed() - keyedAt >= stallAfterMs) {
                stalled = true;
                stalledAt = clock.elapsed();
            }
            if (!stalled)
                connection.write(rigctldReply(command, m_radio.answer(command)));
        }
    }

    QTcpServer m_server;
    ScriptedRadio m_radio;
};

} // namespace

class TestRig : public QObject {
    Q_OBJECT
private slots:
    void tuningTable_data()
    {
        QTest::addColumn<QList<StoredMemory>>("memories");
        QTest::addColumn<double>("kHz");
        QTest::addColumn<QString>("angle"); // empty: nothing to send
        QTest::addColumn<int>("below");
        QTest::addColumn<int>("above");
        const QList<StoredMemory> pair = {memory(1, "7000", 100.0), memory(2, "7100", 110.0)};
        QTest::newRow("at a memory") << pair << 7000.0 << "100" << 1 << 1;
        // Linear in f would give 105.0.
        QTest::newRow("between, linear in 1/f^2") << pair << 7050.0 << "105.1" << 1 << 2;
        QTest::newRow("below the lowest: its angle") << pair << 1810.0 << "100" << 1 << 1;
        QTest::newRow("above the highest: its angle") << pair << 29000.0 << "110" << 2 << 2;
        QTest::newRow("one kHz, several memories: the highest number")
            << QList{memory(1, "7000", 100.0), memory(5, "7000", 104.0), memory(3, "7000", 102.0),
                     memory(4, "7100", 1.0)}
            << 7000.0 << "104" << 5 << 5;
        QTest::newRow("an invalid memory does not count")
            << QList{memory(1, "7000", 100.0), memory(2, "7050", 160.0, false), memory(3, "7100", 110.0)} << 7050.0
            << "105.1" << 1 << 3;
        QTest::newRow("a frequency that is no number does not count")
            << QList{memory(1, "7000", 100.0), memory(2, "", 160.0), memory(3, "0", 160.0), memory(4, "7100", 110.0)}
            << 6000.0 << "100" << 1 << 1;
        QTest::newRow("tenths kept") << QList{memory(1, "7000", 95.46)} << 7000.0 << "95.5" << 1 << 1;
        QTest::newRow("negative angle") << QList{memory(1, "7000", -10.5)} << 7000.0 << "-10.5" << 1 << 1;
        QTest::newRow("no usable memory") << QList{memory(1, "7000", 100.0, false)} << 7000.0 << "" << 0 << 0;
    }
    void tuningTable()
    {
        QFETCH(QList<StoredMemory>, memories);
        QFETCH(double, kHz);
        QFETCH(QString, angle);
        const auto tuning = TuningTable(usableMemories(memories)).lookup(kHz);
        QCOMPARE(tuning ? angleText(tuning->tenths) : QString(), angle);
        if (tuning) {
            QTEST(tuning->below.number, "below");
            QTEST(tuning->above.number, "above");
        }
    }

    // A peer's noise is bounded: a line too long, or a reply that never ends, is dropped whole.
    void replyParserDropsWhatIsTooLong_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("ignored");
        QTest::newRow("line too long") << "get_freq:\nFrequency: " + QByteArray(2000, '7') + "\nRPRT 0\n" << 2;
        QTest::newRow("a reply that never ends")
            << "get_freq:\n" + QByteArray("x\n").repeated(RigReplyParser::MostLines + 1) + "RPRT 0\n"
            << int(RigReplyParser::MostLines) + 2;
    }
    void replyParserDropsWhatIsTooLong()
    {
        QFETCH(QByteArray, bytes);
        RigReplyParser parser;
        const QList<RigReply> got = parser.feed(bytes);
        QVERIFY(got.size() == 1 && got.constFirst().command.isEmpty() && got.constFirst().lines.isEmpty());
        QFETCH(int, ignored);
        QCOMPARE(parser.ignoredLines(), ignored);
    }

    void followerSendsOnlyWhenItMay()
    {
        QTemporaryDir directory;
        const QString file = directory.filePath(QStringLiteral("VELTRANO.MDB"));
        // The editor's store stays open throughout, as it does while the editor is on screen.
        MemoryStore store;
        QVERIFY(store.open(file));
        QVERIFY(store.add({"40", "FT8", "7000", "100", "", true}));
        QVERIFY(store.add({"40", "SSB", "7100", "110", "", true}));
        QVERIFY(store.add({"20", "FT8", "14074", "45", "", false}));
        // A row written elsewhere with an empty angle: were it taken for 0, 7050 kHz would not give 105.1.
        QVERIFY(OtherConnection(file)
                    .exec(QStringLiteral("INSERT INTO MEMO_BANDA VALUES (4, '40', 'CW', '7050', NULL, '', 1, '')"))
                    .isActive());

        BoardSession session;
        session.setLinkOpen(true);
        session.setServoState(ServoState::On);
        RigFollower follower(session);
        QSignalSpy sent(&follower, &RigFollower::sendRequested);
        follower.setMemoryFile(file);
        using Status = RigFollower::Status;
        struct Step {
            const char* what;
            std::function<void()> act;
            QString sends; // empty: nothing
            Status status;
        };
        const QList<Step> steps = {
            {"radio heard, following off", [&] { follower.setFrequency(7050000); }, {}, Status::Off},
            {"following on", [&] { follower.setFollowing(true); }, "105.1", Status::Following},
            {"same tenth", [&] { follower.setFrequency(7050100); }, {}, Status::Following},
            {"next memory", [&] { follower.setFrequency(7100000); }, "110", Status::Following},
            {"servo off", [&] { session.setServoState(ServoState::Off); }, {}, Status::ServoOff},
            {"radio moves, servo off", [&] { follower.setFrequency(7000000); }, {}, Status::ServoOff},
            {"servo on again", [&] { session.setServoState(ServoState::On); }, "100", Status::Following},
            {"port closed", [&] { session.setLinkOpen(false); }, {}, Status::PortClosed},
            {"port open again: sent again", [&] { session.setLinkOpen(true); }, "100", Status::Following},
            {"radio lost", [&] { follower.setFrequency(0); }, {}, Status::NoRadio},
            {"radio back, same angle", [&] { follower.setFrequency(7000000); }, {}, Status::Following},
            {"memory edited meanwhile",
             [&] {
                 QVERIFY(store.change(1, {"40", "FT8", "7000", "90", "", true}));
                 follower.setFrequency(6990000);
             },
             "90", Status::Following},
            {"beyond the valid memories", [&] { follower.setFrequency(21000000); }, "110", Status::Following},
            {"back on 40 m", [&] { follower.setFrequency(7000000); }, "90", Status::Following},
            {"a run finds the loop 0.4 higher", [&] { follower.teachOffset(7000, 904); }, "90.4", Status::Following},
            {"the whole band follows it", [&] { follower.setFrequency(7100000); }, "110.4", Status::Following},
            {"not another band", [&] { follower.setFrequency(21000000); }, "110", Status::Following},
            {"back on the band", [&] { follower.setFrequency(7100000); }, "110.4", Status::Following},
            {"the band learned again", [&] { follower.forgetOffset(QStringLiteral("40")); }, "110", Status::Following},
            {"following off", [&] { follower.setFollowing(false); }, {}, Status::Off},
        };
        for (const Step& step : steps) {
            sent.clear();
            step.act();
            QCOMPARE(sent.size() ? sent.takeFirst().at(0).toString() : QString(), step.sends);
            QVERIFY2(sent.isEmpty(), step.what);
            QVERIFY2(follower.status() == step.status, step.what);
        }

        QVERIFY(store.change(1, {"40", "FT8", "7000", "90", "", false}));
        QVERIFY(store.change(2, {"40", "SSB", "7100", "110", "", false}));
        follower.setFollowing(true);
        QVERIFY(sent.isEmpty());
        QCOMPARE(follower.status(), Status::NoMemories);
        QVERIFY2(follower.statusText().contains(QStringLiteral("no valid memory")), qPrintable(follower.statusText()));
    }

    void linkFollowsTheDaemon()
    {
        START_RIGCTLD_OR_SKIP(daemon);
        RigLink link;
        link.start(QStringLiteral("127.0.0.1"), daemon.port(), 50);
        QVERIFY(QTest::qWaitFor([&] { return link.frequencyHz() == 145000000 && link.mode() == u"FM"; }, WaitMs));

        QVERIFY(daemon.setFrequency(7050000));
        QVERIFY(daemon.command("M USB 2400"));
        QVERIFY(QTest::qWaitFor([&] { return link.frequencyHz() == 7050000 && link.mode() == u"USB"; }, WaitMs));

        // Other commands share the queue: answered in order, failures as failures.
        QStringList answers;
        auto note = [&](const char* name) {
            return [&answers, name](const RigReply& reply) {
                answers << QStringLiteral("%1 %2 ").arg(QLatin1String(name)).arg(reply.status) + reply.lines.value(0);
            };
        };
        link.request("\\set_level RFPOWER 0.25", this, note("set"));
        link.request("\\get_level RFPOWER", this, note("get"));
        link.request("\\set_ptt 1", this, note("ptt")); // the dummy radio has no PTT line
        link.request("get_freq", this, note("short form"));
        QVERIFY(QTest::qWaitFor([&] { return answers.size() == 4; }, WaitMs));
        // A command the link cannot send is answered at once, ahead of those on the wire.
        QCOMPARE(answers, (QStringList{"short form -1000 ", "set 0 ", "get 0 0.250000", "ptt -1 "}));
        QCOMPARE(link.failedReplies(), 1);

        // Killed: the link waits, growing its delay, without spending the processor.
        QSignalSpy states(&link, &RigLink::stateChanged);
        daemon.kill();
        QVERIFY(QTest::qWaitFor([&] { return link.state() == RigLink::State::WaitingToRetry; }, WaitMs));
        QCOMPARE(link.frequencyHz(), 0);
        const double cpuBefore = processCpuMilliseconds();
        states.clear();
        QTest::qWait(3000);
        const qsizetype attempts = std::count_if(states.cbegin(), states.cend(), [](const QList<QVariant>& args) {
            return args.at(0).value<RigLink::State>() == RigLink::State::Connecting;
        });
        // 100, 200, 400, 800, 1600 ms apart: four or five attempts in three seconds. A link that spins
        // makes hundreds, one that does not grow its delay thirty, one that gave up none.
        QVERIFY2(attempts >= 3 && attempts <= 6, qPrintable(QString::number(attempts)));
        QVERIFY2(processCpuMilliseconds() - cpuBefore < 150,
                 qPrintable(QString::number(processCpuMilliseconds() - cpuBefore)));

        // Back on the same port: picked up again by itself, within the longest delay.
        QVERIFY(daemon.start());
        QVERIFY(QTest::qWaitFor([&] { return link.frequencyHz() == 145000000; }, RigLink::RetryCeilingMs + 1000));

        // Hung: connected but silent. The request times out, the link starts over.
        daemon.freeze();
        bool answered = false;
        int status = 0;
        link.request("\\get_vfo", this, [&](const RigReply& reply) {
            answered = true;
            status = reply.status;
        });
        QVERIFY(QTest::qWaitFor([&] { return answered; }, RigLink::ReplyTimeoutMs + 2000));
        QCOMPARE(status, RigReply::NotAnswered);
        QVERIFY(link.timeouts() >= 1);
        daemon.thaw();
        QVERIFY(QTest::qWaitFor([&] { return link.frequencyHz() == 145000000; }, RigLink::ReplyTimeoutMs + 3000));
    }

    // rigctld stalls while the radio transmits for a tune run limited to 2 s: the unkey does not wait
    // for the usual reply timeout, it goes out over a fresh connection by the limit and a little.
    void stallingDaemonStillUnkeysByTheLimit_data()
    {
        QTest::addColumn<int>("stallAfterMs"); // on the air, at the next SWR reading
        QTest::newRow("stalls early in the run") << 300;
        QTest::newRow("stalls as the limit nears") << 1400;
    }
    void stallingDaemonStillUnkeysByTheLimit()
    {
        QFETCH(int, stallAfterMs);
        StallingRadio radio;
        radio.stallAfterMs = stallAfterMs;
        RigLink link;
        BoardSession board;
        board.setLinkOpen(true);
        board.setServoState(ServoState::On);
        TuneRun run(link, board);
        link.start(QStringLiteral("127.0.0.1"), radio.port(), 100);
        QVERIFY(QTest::qWaitFor([&] { return link.frequencyHz() == 7050000; }, WaitMs));
        run.start({.maxSeconds = 2, .settleMs = 100, .peakSettleMs = 0}, 900);

        QVERIFY(QTest::qWaitFor([&] { return radio.stalled; }, WaitMs));
        const qint64 keyedAt = radio.heardAt("\\set_ptt 1");
        QVERIFY(QTest::qWaitFor([&] { return radio.heardAt("\\set_ptt 0", keyedAt) >= 0; }, 8000));
        const qint64 onTheAirMs = radio.heardAt("\\set_ptt 0", keyedAt) - keyedAt;
        const qint64 afterStallMs = radio.heardAt("\\set_ptt 0", keyedAt) - radio.stalledAt;
        const QString times =
            QStringLiteral("%1 ms on the air, %2 ms after the stall").arg(onTheAirMs).arg(afterStallMs);
        QVERIFY2(onTheAirMs <= 2500, qPrintable(times));
        // Dropped for the late reply, not at the limit.
        QVERIFY2(afterStallMs <= RigLink::LateOnAirMs + 500, qPrintable(times));

        // The radio answers again: it gets its mode and power back, and the run owes it nothing.
        radio.stalled = false;
        radio.stallAfterMs = -1;
        QVERIFY(QTest::qWaitFor([&] { return !run.isRunning() && !run.isRestoreOwed(); }, WaitMs));
        QVERIFY(radio.heardAt("\\set_mode USB 2400", keyedAt) >= 0);
        QVERIFY(radio.heardAt("\\set_level RFPOWER 0.500000", keyedAt) >= 0);
    }

    void linkSurvivesAPeerThatMisbehaves()
    {
        // Scripted answers, one per request, each in the pieces it is written in.
        const QList<QList<QByteArray>> script = {
            {"noise\nget_freq:\nFrequency: 70", "74000\nRPRT 0\n"},
            {"get_mode:\nMode: USB\nPassband: 2400\nRPRT 0\n"},
            {"get_freq:\nRPRT -5\n"},
            {"get_mode:\nMode: USB\nPassband: 2400\nRPRT 0\n"},
            {"get_mode:\nMode: LSB\nRPRT 0\nget_freq:\nFrequency: 14074000\nRPRT 0\n"},
            {"get_mode:\nMo"},
        };
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        QList<QByteArray> requests;
        connect(&peer, &QTcpServer::newConnection, this, [&] {
            QTcpSocket* connection = peer.nextPendingConnection();
            connect(connection, &QTcpSocket::readyRead, this, [&, connection] {
                while (connection->canReadLine()) {
                    requests << connection->readLine().trimmed();
                    for (const QByteArray& piece : script.value(requests.size() - 1)) {
                        connection->write(piece);
                        connection->flush();
                        QTest::qWait(5);
                    }
                    if (requests.size() == script.size())
                        connection->disconnectFromHost();
                }
            });
        });

        RigLink link;
        QList<qint64> frequencies;
        connect(&link, &RigLink::frequencyChanged, this, [&](qint64 hertz) { frequencies << hertz; });
        link.start(QStringLiteral("127.0.0.1"), peer.serverPort(), 30);
        QVERIFY(QTest::qWaitFor([&] { return link.state() == RigLink::State::WaitingToRetry; }, WaitMs));
        QCOMPARE(frequencies, (QList<qint64>{7074000, 14074000, 0}));
        QCOMPARE(requests.mid(0, 6), (QList<QByteArray>{"+\\get_freq", "+\\get_mode", "+\\get_freq", "+\\get_mode",
                                                        "+\\get_freq", "+\\get_mode"}));
        QCOMPARE(link.failedReplies(), 1);
        // The noise, the answer to a question not asked, the half reply at the end.
        QCOMPARE(link.ignoredLines(), 1 + 3 + 2);
        QCOMPARE(link.timeouts(), 0);
    }

    void rigWindowConnectsFollowsAndWritesTheSection()
    {
        START_RIGCTLD_OR_SKIP(daemon);
        QVERIFY(daemon.setFrequency(7074500));
        RigWindowRig rig;
        auto& [directory, settings, link, session, follower, platform, tuneRun, window] = rig;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        auto* host = widget<QLineEdit>(window, "hostField");
        auto* connectButton = widget<QPushButton>(window, "connectButton");
        host->setText(QStringLiteral(" "));
        connectButton->click();
        QCOMPARE(platform.messages.size(), 1);
        QVERIFY(!link.isRunning());

        host->setText(QStringLiteral("127.0.0.1"));
        widget<QSpinBox>(window, "portField")->setValue(daemon.port());
        widget<QSpinBox>(window, "pollField")->setValue(40);
        connectButton->click();
        QCOMPARE(connectButton->text(), QStringLiteral("&Disconnect"));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return widget<QLineEdit>(window, "frequencyField")->text() == u"7074.5" &&
                       widget<QLineEdit>(window, "modeField")->text() == u"FM";
            },
            WaitMs));
        QVERIFY(!follower.isFollowing());

        widget<QCheckBox>(window, "followBox")->click();
        QVERIFY(follower.isFollowing());
        GlobalSettings reread;
        QVERIFY(!carica_ini(directory.path(), reread));
        QCOMPARE(reread.rig, (RigSettings{QStringLiteral("127.0.0.1"), daemon.port(), 1, 40}));

        connectButton->click();
        QVERIFY(!link.isRunning());
        QCOMPARE(connectButton->text(), QStringLiteral("&Connect"));
        QCOMPARE(widget<QLineEdit>(window, "frequencyField")->text(), QString());
    }

    void learnWindowRefusesWhatItCannotUse_data()
    {
        QTest::addColumn<LearnWindowCase>("c");
        const QStringList band = {"7000", "7200", "1.5", "SWR"};
        const auto row = [](const char* name, const QStringList& fields, bool tuneTx, bool radio, bool open, bool on,
                            const QString& named) {
            QTest::newRow(name) << LearnWindowCase{fields, tuneTx, radio, open, on, named};
        };
        row("asked for", band, true, true, true, true, QString());
        row("by noise with TUNE_TX=0", {"7000", "7200", "1.5", "Noise"}, false, true, true, true, QString());
        row("From not below To", {"7200", "7000", "1.5", "SWR"}, true, true, true, true, "From (kHz) :");
        row("From below 1800", {"1700", "7200", "1.5", "SWR"}, true, true, true, true, "From (kHz) :");
        row("To above 54000", {"7000", "54001", "1.5", "SWR"}, true, true, true, true, "To (kHz) :");
        row("To no number", {"7000", "7,2", "1.5", "SWR"}, true, true, true, true, "To (kHz) :");
        row("Max SWR above 3", {"7000", "7200", "3.5", "SWR"}, true, true, true, true, "Max SWR :");
        row("Max SWR below 1.1", {"7000", "7200", "1", "SWR"}, true, true, true, true, "Max SWR :");
        row("SWR with TUNE_TX=0", band, false, true, true, true, "TUNE_TX");
        row("no rig link", band, true, false, true, true, "rigctld");
        row("port closed", band, true, true, false, true, "port");
        row("servo off", band, true, true, true, false, "switch it on");
    }

    void learnWindowRefusesWhatItCannotUse()
    {
        QFETCH(LearnWindowCase, c);
        const auto& [fields, tuneTx, radio, portOpen, servoOn, named] = c;

        RigWindowRig rig;
        rig.settings.rig.TUNE_TX = tuneTx ? 1 : 0;
        ScriptedRun scripted({}, Noise::Resonant);
        if (!radio)
            scripted.radio.drop();
        scripted.board.setLinkOpen(portOpen);
        scripted.board.setServoState(servoOn ? ServoState::On : ServoState::Off);
        LearnRun learn(scripted.radio, *scripted.run);
        LearnWindow window(learn, scripted.radio, scripted.board, rig.settings.rig, rig.platform, QString());
        window.show();
        QSignalSpy requested(&window, &LearnWindow::learnRequested);

        // A band fills the range with region 1's edges.
        auto* bandField = widget<QComboBox>(window, "bandField");
        bandField->setCurrentIndex(bandField->findText(QStringLiteral("80")));
        QCOMPARE(widget<QLineEdit>(window, "fromField")->text() + '-' + widget<QLineEdit>(window, "toField")->text(),
                 QStringLiteral("3500-3800"));
        bandField->setCurrentIndex(bandField->findText(QStringLiteral("40")));
        const char* names[] = {"fromField", "toField", "maxSwrField"};
        for (int i = 0; i < 3; ++i)
            widget<QLineEdit>(window, names[i])->setText(fields[i]);
        widget<QComboBox>(window, "byField")->setCurrentText(fields[3]);

        widget<QPushButton>(window, "learnButton")->click();
        QCOMPARE(requested.size(), named.isEmpty() ? 1 : 0);
        QCOMPARE(rig.platform.messages.size(), named.isEmpty() ? 0 : 1);
        if (!named.isEmpty()) {
            QVERIFY2(rig.platform.messages.constFirst().text.contains(named),
                     qPrintable(rig.platform.messages.constFirst().text));
            QCOMPARE(rig.platform.messages.constFirst().title, QStringLiteral("LEARN BAND"));
        }
        // The window as it was.
        for (int i = 0; i < 3; ++i)
            QCOMPARE(widget<QLineEdit>(window, names[i])->text(), fields[i]);
        QCOMPARE(widget<QComboBox>(window, "modeField")->currentText(), QStringLiteral("SSB"));
        QVERIFY(widget<QPushButton>(window, "learnButton")->isEnabled());
        if (!named.isEmpty())
            return;
        LearnRun::Plan plan = requested.constFirst().constFirst().value<LearnRun::Plan>();
        QCOMPARE((QList<double>{plan.placement.fromKHz, plan.placement.toKHz, plan.placement.maxSwr}),
                 (QList<double>{fields[0].toDouble(), fields[1].toDouble(), fields[2].toDouble()}));
        QCOMPARE(plan.band + ' ' + plan.mode, QStringLiteral("40 SSB"));

        // The run as it goes: the bar counts the table's points, the field says where the VFO is.
        auto* progress = widget<QProgressBar>(window, "progressBar");
        auto* table = widget<QTableWidget>(window, "pointsTable");
        QStringList pointsTuned;
        double onAir = 0;
        connect(&learn, &LearnRun::progressed, &window, [&] {
            QCOMPARE(progress->value(), table->rowCount());
            pointsTuned << widget<QLineEdit>(window, "pointField")->text();
            onAir = std::max(onAir, widget<QLineEdit>(window, "onAirField")->text().toDouble());
        });
        plan.tune.settleMs = plan.tune.peakSettleMs = 1;
        learn.start(plan, 900);
        QTRY_VERIFY_WITH_TIMEOUT(!learn.isRunning(), 30000);
        QVERIFY2(learn.outcome() == LearnRun::Outcome::Completed, qPrintable(learn.outcomeText()));
        QVERIFY2(pointsTuned.contains(u"7000") && pointsTuned.contains(u"7200"), qPrintable(pointsTuned.join(u' ')));
        QCOMPARE(table->rowCount(), learn.pointsDone());
        QCOMPARE(onAir > 0, fields[3] == u"SWR");
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("7200"));

        // Following the points learned, the rig window shows the band's drift offset after the angle.
        QTemporaryDir directory;
        const QString memoryFile = directory.filePath("VELTRANO.MDB");
        QVERIFY(storeLearnedPoints(learn, memoryFile, QDate::currentDate(), rig.platform, nullptr));
        rig.follower.setMemoryFile(memoryFile);
        rig.follower.setFrequency(7200000);
        rig.follower.teachOffset(7200, learn.points().back().tenths - 3);
        QCOMPARE(widget<QLineEdit>(rig.window, "angleField")->text(),
                 angleText(learn.points().back().tenths - 3) + QStringLiteral(" (drift offset -0.3°)"));
    }
};

QTEST_MAIN(TestRig)
#include "tst_rig.moc"
