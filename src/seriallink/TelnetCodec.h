#pragma once

#include "LineSettings.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>

// The client side of Telnet as ser2net speaks it with RFC 2217: the client offers the COM-PORT
// option and binary transmission, sets the far line's speed and framing, doubles 0xFF in its data,
// and refuses every other option. Received bytes may split a command anywhere; the codec keeps
// its place between calls. No sockets and no widgets, so it is tested on bytes alone.
class TelnetCodec {
public:
    enum class Agreement { Pending, Agreed, Refused };

    // What the client says first on a new connection. The far line may be set once the far end
    // has agreed to the COM-PORT option.
    QByteArray greeting();
    // The data carried in received bytes; answers to the far end's requests go to replies.
    QByteArray decode(QByteArrayView received, QByteArray& replies);
    Agreement comPortOption() const;

    // Data bytes as they travel: 0xFF doubled.
    static QByteArray escape(QByteArrayView data);
    // Speed, data bits, parity and stop bits for the far line.
    static QByteArray lineSettingsCommands(const LineSettings& settings);

private:
    // Each side of an option, after RFC 1143 without its queue: a request we sent is WantYes until
    // answered, so agreeing twice never happens and refusals never loop.
    enum class Side : quint8 { No, Yes, WantYes };
    struct Option {
        Side us = Side::No;   // we perform it (WILL)
        Side them = Side::No; // the far end performs it (DO)
    };
    enum class State : quint8 { Data, Command, Option, Subnegotiation, SubnegotiationCommand };

    void negotiate(quint8 verb, quint8 option, QByteArray& replies);
    // The far end asks a side of an option on (DO or WILL) or off (DONT or WONT).
    static void answerEnable(Side& side, bool acceptable, quint8 agree, quint8 refuse, quint8 option,
                             QByteArray& replies);
    static void answerDisable(Side& side, quint8 confirm, quint8 option, QByteArray& replies);

    std::array<Option, 256> m_options{};
    State m_state = State::Data;
    quint8 m_verb = 0;
};
