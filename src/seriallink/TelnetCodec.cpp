#include "TelnetCodec.h"

namespace {

constexpr quint8 Iac = 255;
constexpr quint8 Dont = 254;
constexpr quint8 Do = 253;
constexpr quint8 Wont = 252;
constexpr quint8 Will = 251;
constexpr quint8 Sb = 250;
constexpr quint8 Se = 240;

constexpr quint8 Binary = 0;
constexpr quint8 ComPort = 44;

// COM-PORT-OPTION commands, client to server.
constexpr quint8 SetBaudRate = 1;
constexpr quint8 SetDataSize = 2;
constexpr quint8 SetParity = 3;
constexpr quint8 SetStopSize = 4;

bool weTake(quint8 option)
{
    return option == Binary || option == ComPort;
}

bool theyMay(quint8 option)
{
    return option == Binary;
}

void say(QByteArray& out, quint8 verb, quint8 option)
{
    out.append(char(Iac)).append(char(verb)).append(char(option));
}

void appendEscaped(QByteArray& out, QByteArrayView data)
{
    for (const char byte : data) {
        out.append(byte);
        if (quint8(byte) == Iac)
            out.append(byte);
    }
}

void subnegotiate(QByteArray& out, quint8 command, QByteArrayView value)
{
    out.append(char(Iac)).append(char(Sb)).append(char(ComPort)).append(char(command));
    appendEscaped(out, value);
    out.append(char(Iac)).append(char(Se));
}

} // namespace

QByteArray TelnetCodec::greeting()
{
    m_options[ComPort].us = Side::WantYes;
    m_options[Binary].us = Side::WantYes;
    m_options[Binary].them = Side::WantYes;
    QByteArray out;
    say(out, Will, ComPort);
    say(out, Will, Binary);
    say(out, Do, Binary);
    return out;
}

TelnetCodec::Agreement TelnetCodec::comPortOption() const
{
    switch (m_options[ComPort].us) {
    case Side::Yes: return Agreement::Agreed;
    case Side::WantYes: return Agreement::Pending;
    case Side::No: break;
    }
    return Agreement::Refused;
}

QByteArray TelnetCodec::decode(QByteArrayView received, QByteArray& replies)
{
    QByteArray data;
    data.reserve(received.size());
    for (const char character : received) {
        const auto byte = quint8(character);
        switch (m_state) {
        case State::Data:
            if (byte == Iac)
                m_state = State::Command;
            else
                data.append(character);
            break;
        case State::Command:
            if (byte == Iac) {
                data.append(character);
                m_state = State::Data;
            } else if (byte >= Will && byte <= Dont) {
                m_verb = byte;
                m_state = State::Option;
            } else if (byte == Sb) {
                m_state = State::Subnegotiation;
            } else {
                m_state = State::Data; // NOP, GA, data mark and the like carry nothing for us
            }
            break;
        case State::Option:
            negotiate(m_verb, byte, replies);
            m_state = State::Data;
            break;
        case State::Subnegotiation:
            // The far end's notices (line and modem state, settings echoed back) are not needed.
            if (byte == Iac)
                m_state = State::SubnegotiationCommand;
            break;
        case State::SubnegotiationCommand: m_state = byte == Se ? State::Data : State::Subnegotiation; break;
        }
    }
    return data;
}

void TelnetCodec::negotiate(quint8 verb, quint8 option, QByteArray& replies)
{
    Option& state = m_options[option];
    switch (verb) {
    case Do: answerEnable(state.us, weTake(option), Will, Wont, option, replies); break;
    case Dont: answerDisable(state.us, Wont, option, replies); break;
    case Will: answerEnable(state.them, theyMay(option), Do, Dont, option, replies); break;
    case Wont: answerDisable(state.them, Dont, option, replies); break;
    }
}

void TelnetCodec::answerEnable(Side& side, bool acceptable, quint8 agree, quint8 refuse, quint8 option,
                               QByteArray& replies)
{
    if (!acceptable) {
        say(replies, refuse, option);
        return;
    }
    // Our own request already said yes: the far end's agreement needs no answer.
    if (side == Side::No)
        say(replies, agree, option);
    side = Side::Yes;
}

void TelnetCodec::answerDisable(Side& side, quint8 confirm, quint8 option, QByteArray& replies)
{
    if (side == Side::Yes)
        say(replies, confirm, option);
    side = Side::No;
}

QByteArray TelnetCodec::escape(QByteArrayView data)
{
    QByteArray out;
    out.reserve(data.size());
    appendEscaped(out, data);
    return out;
}

QByteArray TelnetCodec::lineSettingsCommands(const LineSettings& settings)
{
    const auto baud = quint32(settings.baud);
    const char speed[4] = {char(baud >> 24), char(baud >> 16), char(baud >> 8), char(baud)};
    quint8 parity = 1;
    switch (settings.parity) {
    case QSerialPort::OddParity: parity = 2; break;
    case QSerialPort::EvenParity: parity = 3; break;
    case QSerialPort::MarkParity: parity = 4; break;
    case QSerialPort::SpaceParity: parity = 5; break;
    default: break;
    }
    const quint8 stop = settings.stopBits == QSerialPort::TwoStop          ? 2
                        : settings.stopBits == QSerialPort::OneAndHalfStop ? 3
                                                                           : 1;
    QByteArray out;
    subnegotiate(out, SetBaudRate, QByteArrayView(speed, 4));
    subnegotiate(out, SetDataSize, QByteArray(1, char(settings.dataBits)));
    subnegotiate(out, SetParity, QByteArray(1, char(parity)));
    subnegotiate(out, SetStopSize, QByteArray(1, char(stop)));
    return out;
}
