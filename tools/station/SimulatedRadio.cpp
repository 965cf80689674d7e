#include "SimulatedRadio.h"

#include <QHash>

#include <cmath>

namespace {

// Hamlib's return codes as rigctld prints them after "RPRT".
constexpr int Ok = 0;
constexpr int InvalidArgument = -1;
constexpr int NotAvailable = -11;
// Not a Hamlib code: the command is unknown, and rigctld answers nothing.
constexpr int NotFound = 1;

const QHash<QChar, QString>& longNames()
{
    static const QHash<QChar, QString> names = {
        {u'f', QStringLiteral("get_freq")}, {u'F', QStringLiteral("set_freq")},  {u'm', QStringLiteral("get_mode")},
        {u'M', QStringLiteral("set_mode")}, {u'l', QStringLiteral("get_level")}, {u'L', QStringLiteral("set_level")},
        {u't', QStringLiteral("get_ptt")},  {u'T', QStringLiteral("set_ptt")},   {u'v', QStringLiteral("get_vfo")},
        {u'V', QStringLiteral("set_vfo")},  {u'q', QStringLiteral("quit")},      {u'Q', QStringLiteral("quit")},
    };
    return names;
}

// Modes that put out a carrier while keyed with no audio: the ones a tune run can use.
bool isCarrierMode(const QString& mode)
{
    static const QStringList carriers = {"AM", "AMS", "FM", "FMN", "WFM", "PKTFM", "PKTAM", "RTTY", "RTTYR"};
    return carriers.contains(mode);
}

QString levelText(double value)
{
    return QString::asprintf("%f", value);
}

} // namespace

SimulatedRadio::SimulatedRadio(const State& initial, Antenna& antenna, Log log)
    : m_state(initial)
    , m_antenna(antenna)
    , m_log(std::move(log))
{
    if (m_state.keyed)
        m_onAir.start();
    m_highestPowerOnAir = m_state.keyed ? m_state.power : 0;
}

int SimulatedRadio::normalPassband(const QString& mode)
{
    static const QHash<QString, int> normal = {
        {"USB", 2400},   {"LSB", 2400}, {"PKTUSB", 2400}, {"PKTLSB", 2400}, {"CW", 500},
        {"CWR", 500},    {"RTTY", 300}, {"RTTYR", 300},   {"AM", 8000},     {"AMS", 8000},
        {"PKTAM", 8000}, {"FM", 15000}, {"PKTFM", 15000}, {"FMN", 12500},   {"WFM", 230000},
    };
    return normal.value(mode, -1);
}

SimulatedRadio::Answer SimulatedRadio::answer(const QByteArray& rawLine)
{
    QString line = QString::fromLatin1(rawLine).trimmed();
    if (line.isEmpty())
        return {};
    // A leading '+', ';', '|' or ',' asks for the extended answer, its lines separated by that
    // character ('+': a line feed).
    std::optional<QChar> separator;
    if (QStringLiteral("+;|,").contains(line.front())) {
        separator = line.front() == u'+' ? QChar(u'\n') : line.front();
        line = line.mid(1).trimmed();
    }
    QString command;
    QString argumentText;
    if (line.startsWith(u'\\')) {
        const qsizetype blank = line.indexOf(u' ');
        command = line.mid(1, blank < 0 ? -1 : blank - 1);
        argumentText = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
    } else if (!line.isEmpty()) {
        command = longNames().value(line.front());
        argumentText = line.mid(1).trimmed();
    }
    const QStringList arguments = argumentText.split(u' ', Qt::SkipEmptyParts);

    // rigctld answers this one without a return code in either form.
    if (command == QLatin1String("chk_vfo"))
        return {separator ? "ChkVFO: 0\n" : "0\n"};
    if (command == QLatin1String("quit"))
        return {"RPRT 0\n", true};

    const Result result = execute(command, arguments);
    if (result.code == NotFound)
        return {};
    QString text;
    if (separator) {
        text = command + u':' + (argumentText.isEmpty() ? QString() : u' ' + argumentText) + *separator;
        for (const auto& [key, value] : result.values)
            text += (key.isEmpty() ? value : key + QStringLiteral(": ") + value) + *separator;
        text += QStringLiteral("RPRT %1\n").arg(result.code);
    } else if (result.code != Ok || result.values.isEmpty()) {
        text = QStringLiteral("RPRT %1\n").arg(result.code);
    } else {
        for (const auto& [key, value] : result.values)
            text += value + u'\n';
    }
    return {text.toLatin1()};
}

SimulatedRadio::Result SimulatedRadio::execute(const QString& command, const QStringList& arguments)
{
    if (command == QLatin1String("get_freq"))
        return {Ok, {{"Frequency", QString::number(m_state.hertz)}}};
    if (command == QLatin1String("set_freq"))
        return setFrequency(arguments);
    if (command == QLatin1String("get_mode"))
        return {Ok, {{"Mode", m_state.mode}, {"Passband", QString::number(m_state.passband)}}};
    if (command == QLatin1String("set_mode"))
        return setMode(arguments);
    if (command == QLatin1String("get_level"))
        return getLevel(arguments);
    if (command == QLatin1String("set_level"))
        return setLevel(arguments);
    if (command == QLatin1String("get_ptt"))
        return {Ok, {{"PTT", m_state.keyed ? "1" : "0"}}};
    if (command == QLatin1String("set_ptt"))
        return setPtt(arguments);
    if (command == QLatin1String("get_vfo"))
        return {Ok, {{"VFO", "VFOA"}}};
    if (command == QLatin1String("set_vfo"))
        return {arguments.isEmpty() ? InvalidArgument : Ok, {}};
    if (command == QLatin1String("get_powerstat"))
        return {Ok, {{"Power Status", "1"}}};
    return {NotFound, {}};
}

SimulatedRadio::Result SimulatedRadio::setFrequency(const QStringList& arguments)
{
    bool ok = false;
    const double hertz = arguments.value(0).toDouble(&ok);
    if (!ok || !std::isfinite(hertz) || hertz <= 0 || hertz > 1e10)
        return {InvalidArgument, {}};
    m_state.hertz = std::llround(hertz);
    logFrequency();
    return {Ok, {}};
}

SimulatedRadio::Result SimulatedRadio::setMode(const QStringList& arguments)
{
    const QString mode = arguments.value(0).toUpper();
    bool ok = false;
    const int passband = arguments.value(1).toInt(&ok);
    if (normalPassband(mode) < 0 || !ok || passband < -1)
        return {InvalidArgument, {}};
    m_state.mode = mode;
    // 0 asks for the mode's normal passband, -1 keeps the one set.
    if (passband == 0)
        m_state.passband = normalPassband(mode);
    else if (passband > 0)
        m_state.passband = passband;
    m_log(QStringLiteral("MODE %1 passband=%2").arg(m_state.mode).arg(m_state.passband));
    return {Ok, {}};
}

SimulatedRadio::Result SimulatedRadio::getLevel(const QStringList& arguments)
{
    const QString level = arguments.value(0).toUpper();
    if (level == QLatin1String("RFPOWER"))
        return {Ok, {{QString(), levelText(m_state.power)}}};
    if (level == QLatin1String("SWR")) {
        const double swr = swrNow();
        if (m_state.keyed)
            m_log(QStringLiteral("SWR %1 shaft=%2").arg(swr, 0, 'f', 3).arg(m_antenna.shaftDegrees(), 0, 'f', 3));
        return {Ok, {{QString(), levelText(swr)}}};
    }
    // A level the radio lacks is looked up among its own extra levels, and not found there either.
    if (level == QLatin1String("STRENGTH") && m_noiseMeter) {
        const int strength = m_noiseMeter->read(m_antenna.receiveResponse(m_state.hertz));
        m_log(QStringLiteral("STRENGTH %1 shaft=%2").arg(strength).arg(m_antenna.shaftDegrees(), 0, 'f', 3));
        return {Ok, {{QString(), QString::number(strength)}}};
    }
    return {InvalidArgument, {}};
}

SimulatedRadio::Result SimulatedRadio::setLevel(const QStringList& arguments)
{
    const QString level = arguments.value(0).toUpper();
    bool ok = false;
    const double value = arguments.value(1).toDouble(&ok);
    if (level == QLatin1String("SWR") || level == QLatin1String("STRENGTH"))
        return {NotAvailable, {}};
    if (level != QLatin1String("RFPOWER") || !ok || !(value >= 0 && value <= 1))
        return {InvalidArgument, {}};
    m_state.power = value;
    if (m_state.keyed)
        m_highestPowerOnAir = std::max(m_highestPowerOnAir, value);
    m_log(QStringLiteral("POWER %1 ptt=%2").arg(levelText(value)).arg(m_state.keyed ? 1 : 0));
    return {Ok, {}};
}

SimulatedRadio::Result SimulatedRadio::setPtt(const QStringList& arguments)
{
    bool ok = false;
    // 1 keys from CAT, 2 from the microphone input, 3 from the data input: all of them transmit.
    const int ptt = arguments.value(0).toInt(&ok);
    if (!ok || ptt < 0 || ptt > 3)
        return {InvalidArgument, {}};
    const bool keyed = ptt != 0;
    if (keyed && !m_state.keyed) {
        m_onAir.start();
        m_highestPowerOnAir = m_state.power;
        m_log(QStringLiteral("PTT on power=%1 mode=%2 freq=%3")
                  .arg(levelText(m_state.power), m_state.mode)
                  .arg(m_state.hertz));
    } else if (!keyed && m_state.keyed) {
        m_log(QStringLiteral("PTT off on_air_s=%1 max_power=%2")
                  .arg(m_onAir.nsecsElapsed() / 1e9, 0, 'f', 3)
                  .arg(levelText(m_highestPowerOnAir)));
    }
    m_state.keyed = keyed;
    return {Ok, {}};
}

bool SimulatedRadio::carrierOut() const
{
    return m_state.keyed && m_state.power > 0 && isCarrierMode(m_state.mode) && !m_meterDead;
}

double SimulatedRadio::swrNow() const
{
    return carrierOut() ? m_antenna.swr(m_state.hertz) : 0.0;
}

void SimulatedRadio::logFrequency()
{
    m_log(
        QStringLiteral("FREQ %1 dip=%2").arg(m_state.hertz).arg(m_antenna.resonanceDegrees(m_state.hertz), 0, 'f', 3));
}
