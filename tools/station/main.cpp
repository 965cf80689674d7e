// A simulated station for trying the tune run without a radio: a rigctld look-alike on a TCP port
// whose radio has an SWR meter and an S-meter, connected to a model of a magnetic loop whose capacitor turns with
// the servo pulses the emulated board reports ("PULSE pin=9 width_us=1472 t_us=...", read from
// standard input or from a file or pipe). It logs every frequency, mode, power and PTT change and
// each SWR and S-meter reading, so a test can check what the radio was made to do.
#include "LoopModel.h"
#include "ServoShaft.h"
#include "SimulatedRadio.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QElapsedTimer g_clock;

double secondsNow()
{
    return g_clock.nsecsElapsed() / 1e9;
}

// One line per event, flushed at once: a test reads it while the station runs.
class EventLog {
public:
    explicit EventLog(FILE* out)
        : m_out(out)
    {
    }
    void write(const QString& event)
    {
        std::fprintf(m_out, "%s t=%.3f\n", qPrintable(event), secondsNow());
        std::fflush(m_out);
    }

private:
    FILE* m_out;
};

class LoopOnServo final : public SimulatedRadio::Antenna {
public:
    LoopOnServo(const LoopModel& loop, ServoShaft& shaft)
        : m_loop(loop)
        , m_shaft(shaft)
    {
    }
    double swr(qint64 hertz) override { return m_loop.swr(m_shaft.shaftDegrees(secondsNow()), hertz); }
    double receiveResponse(qint64 hertz) override
    {
        return m_loop.receiveResponse(m_shaft.shaftDegrees(secondsNow()), hertz);
    }
    double shaftDegrees() override { return m_shaft.shaftDegrees(secondsNow()); }
    double resonanceDegrees(qint64 hertz) const override { return m_loop.resonanceDegrees(hertz); }

private:
    const LoopModel& m_loop;
    ServoShaft& m_shaft;
};

// The emulator's pulse lines, from standard input or a file or pipe that is followed as it grows.
class PulseReader : public QObject {
public:
    PulseReader(int pin, ServoShaft& shaft)
        : m_pin(pin)
        , m_shaft(shaft)
    {
    }

    bool open(const QString& path)
    {
        if (path == QLatin1String("-")) {
            m_fd = STDIN_FILENO;
            auto* notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
                if (!readAvailable())
                    notifier->setEnabled(false); // the board went away: the shaft stays where it is
            });
            return true;
        }
        // A pipe's writer may come and go, and a file grows: poll both rather than stop at an end.
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        if (m_fd < 0)
            return false;
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] { readAvailable(); });
        timer->start(5);
        return true;
    }

private:
    // False at the end of standard input.
    bool readAvailable()
    {
        char chunk[4096];
        for (;;) {
            const ssize_t count = ::read(m_fd, chunk, sizeof chunk);
            if (count == 0)
                return false;
            if (count < 0)
                return true;
            m_buffer.append(chunk, count);
            for (qsizetype end; (end = m_buffer.indexOf('\n')) >= 0;) {
                takeLine(m_buffer.left(end));
                m_buffer.remove(0, end + 1);
            }
            if (count < static_cast<ssize_t>(sizeof chunk))
                return true;
        }
    }

    void takeLine(const QByteArray& line)
    {
        static const QRegularExpression pulse(QStringLiteral("^PULSE pin=(\\d+) width_us=([0-9.]+)"));
        const auto match = pulse.match(QString::fromLatin1(line));
        if (!match.hasMatch() || match.captured(1).toInt() != m_pin)
            return;
        const double width = match.captured(2).toDouble();
        // Width 0: the pulses stopped, and an unpowered servo stays where it is.
        if (width > 0)
            m_shaft.command(ServoShaft::pulseDegrees(width), secondsNow());
    }

    int m_pin;
    ServoShaft& m_shaft;
    int m_fd = -1;
    QByteArray m_buffer;
};

// rigctld's side of the TCP connections: one command a line, answered in order, each after the
// radio's own reply time when one is given.
class RigctldServer : public QObject {
public:
    RigctldServer(SimulatedRadio& radio, int replyDelayMs)
        : m_radio(radio)
        , m_delayMs(replyDelayMs)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &RigctldServer::accept);
    }

    bool listen(const QString& host, quint16 port) { return m_server.listen(QHostAddress(host), port); }
    quint16 port() const { return m_server.serverPort(); }
    QString error() const { return m_server.errorString(); }

private:
    struct Client {
        QByteArray buffer;
        QList<QByteArray> waiting;
        bool busy = false;
    };

    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            m_clients.insert(socket, {});
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { receive(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_clients.remove(socket);
                socket->deleteLater();
            });
        }
    }

    void receive(QTcpSocket* socket)
    {
        Client& client = m_clients[socket];
        client.buffer += socket->readAll();
        for (qsizetype end; (end = client.buffer.indexOf('\n')) >= 0;) {
            client.waiting << client.buffer.left(end);
            client.buffer.remove(0, end + 1);
        }
        serveNext(socket);
    }

    void serveNext(QTcpSocket* socket)
    {
        const auto client = m_clients.find(socket);
        if (client == m_clients.end() || client->busy || client->waiting.isEmpty())
            return;
        const QByteArray line = client->waiting.takeFirst();
        if (m_delayMs <= 0) {
            reply(socket, line);
            serveNext(socket);
            return;
        }
        client->busy = true;
        QTimer::singleShot(m_delayMs, socket, [this, socket, line] {
            m_clients[socket].busy = false;
            reply(socket, line);
            serveNext(socket);
        });
    }

    void reply(QTcpSocket* socket, const QByteArray& line)
    {
        const SimulatedRadio::Answer answer = m_radio.answer(line);
        socket->write(answer.text);
        if (answer.closeConnection)
            socket->disconnectFromHost();
    }

    SimulatedRadio& m_radio;
    int m_delayMs;
    QTcpServer m_server;
    QHash<QTcpSocket*, Client> m_clients;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    g_clock.start();
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A radio behind a rigctld-like TCP port, with a magnetic loop whose capacitor follows the servo "
                       "pulses of the emulated board (PULSE lines on standard input or from --pulses). Its SWR meter "
                       "reads 0 unless the radio is keyed with power in a mode that sends a carrier (AM, FM, RTTY); "
                       "its S-meter (STRENGTH) reads the band's noise through the loop plus the receiver's own. "
                       "Every change of frequency, mode, power and PTT, every SWR read on the air and every "
                       "S-meter reading is logged on standard output."));
    parser.addHelpOption();
    const auto option = [&parser](const QString& name, const QString& description, const QString& value = {},
                                  const QString& defaultValue = {}) {
        const QString shown =
            defaultValue.isEmpty() ? description : description + QStringLiteral(" Default: ") + defaultValue;
        QCommandLineOption added(name.split(u'|'), shown, value, defaultValue);
        parser.addOption(added);
        return added;
    };
    const auto host = option("host", "Address to listen on.", "address", "127.0.0.1");
    const auto port = option("p|port", "TCP port to listen on (0: any free one).", "port", "4532");
    const auto freq = option("f|freq", "The radio's frequency at start.", "hertz", "7050000");
    const auto mode = option("m|mode", "Mode at start.", "mode", "USB");
    const auto passband = option("passband", "Passband at start (0: the mode's normal one).", "hertz", "0");
    const auto power = option("power", "RF power at start, 0 to 1 as rigctld's RFPOWER.", "level", "0.5");
    const auto ptt =
        option("ptt", "1: the radio is keyed at start (as a daemon that died mid-run left it).", "0|1", "0");
    const auto pulses =
        option("pulses", "Read the board's PULSE lines from this file or pipe (-: stdin).", "path", "-");
    const auto pin = option("pin", "The servo's pin in the PULSE lines.", "pin", "9");
    const auto angle = option("angle", "Shaft angle before the first pulse.", "degrees", "90");
    const auto speed = option("servo-speed", "Servo speed (0: at once).", "degrees/s", "300");
    const auto backlash = option("backlash", "Play in the gears between servo and capacitor.", "degrees", "0");
    const auto q = option("q", "The loop's quality factor.", "Q", "200");
    const auto inductance = option("inductance", "The loop's inductance.", "microhenries", "2.5");
    const auto deadMeter = option("dead-meter", "The SWR meter reads 0 even on the air.");
    const auto ceiling =
        option("swr-ceiling", "The highest SWR the meter shows (radios stop at 3 to 10).", "swr", "99.9");
    const auto delay = option("reply-delay", "Time the radio takes for each command.", "ms", "0");
    const auto bandNoise =
        option("band-noise", "The band's noise at the loop's resonance, dB over S9 (S5: -24).", "dB", "-24");
    const auto jitter = option("meter-jitter", "Standard deviation of the S-meter's readings.", "dB", "0.7");
    const auto seed = option("meter-seed", "Seed of the S-meter's jitter.", "number", "1");
    const auto flatMeter = option("flat-meter", "The S-meter reads the band's noise whatever the loop's angle.");
    const auto noStrength = option("no-strength", "The radio has no STRENGTH level.");
    const auto servoError =
        option("servo-error", "The shaft stands off the commanded angle by this much times a sine of the angle.",
               "degrees", "0");
    const auto servoErrorPeriod = option("servo-error-period", "The period of that error.", "degrees", "7");
    parser.process(app);

    const auto number = [&parser](const QCommandLineOption& which, double low, double high) {
        bool ok = false;
        const double value = parser.value(which).toDouble(&ok);
        if (!ok || value < low || value > high) {
            std::fprintf(stderr, "--%s: %s is not a number from %g to %g\n", qPrintable(which.names().constLast()),
                         qPrintable(parser.value(which)), low, high);
            std::exit(2);
        }
        return value;
    };

    LoopModel loop;
    loop.qualityFactor = number(q, 1, 10000);
    loop.inductanceHenries = number(inductance, 0.01, 1000) * 1e-6;
    loop.highestSwr = number(ceiling, 1, LoopModel::MeterLimit);
    ServoShaft shaft(number(angle, 0, 180), number(speed, 0, 1e6), number(backlash, 0, 20));
    shaft.setError(number(servoError, 0, 5), number(servoErrorPeriod, 0.5, 180));
    LoopOnServo antenna(loop, shaft);

    SimulatedRadio::State state;
    state.hertz = qint64(number(freq, 1, 1e10));
    state.mode = parser.value(mode).toUpper();
    if (SimulatedRadio::normalPassband(state.mode) < 0) {
        std::fprintf(stderr, "--mode: %s is not a mode the radio has\n", qPrintable(state.mode));
        return 2;
    }
    const int passbandValue = int(number(passband, 0, 1e6));
    state.passband = passbandValue > 0 ? passbandValue : SimulatedRadio::normalPassband(state.mode);
    state.power = number(power, 0, 1);
    state.keyed = number(ptt, 0, 1) != 0;

    EventLog log(stdout);
    SimulatedRadio radio(state, antenna, [&log](const QString& event) { log.write(event); });
    radio.setMeterDead(parser.isSet(deadMeter));
    if (!parser.isSet(noStrength)) {
        NoiseMeter::Settings meter;
        meter.bandNoiseDb = number(bandNoise, -60, 60);
        meter.jitterDb = number(jitter, 0, 10);
        meter.seed = unsigned(number(seed, 0, 4294967295.0));
        meter.flat = parser.isSet(flatMeter);
        radio.setNoiseMeter(NoiseMeter(meter));
    }

    PulseReader reader(int(number(pin, 0, 19)), shaft);
    if (!reader.open(parser.value(pulses))) {
        std::fprintf(stderr, "--pulses: cannot open %s\n", qPrintable(parser.value(pulses)));
        return 2;
    }
    RigctldServer server(radio, int(number(delay, 0, 10000)));
    if (!server.listen(parser.value(host), quint16(number(port, 0, 65535)))) {
        std::fprintf(stderr, "cannot listen on %s:%s: %s\n", qPrintable(parser.value(host)),
                     qPrintable(parser.value(port)), qPrintable(server.error()));
        return 1;
    }
    log.write(QStringLiteral("STATION port=%1 mode=%2 passband=%3 power=%4 ptt=%5")
                  .arg(server.port())
                  .arg(state.mode)
                  .arg(state.passband)
                  .arg(state.power, 0, 'f', 6)
                  .arg(state.keyed ? 1 : 0));
    radio.logFrequency();
    return app.exec();
}
