#pragma once

#include <QByteArray>

#include <chrono>
#include <optional>

// The lines the program and its guard exchange. The program writes, one a line:
//   ONAIR <ms until the deadline> <mode> <passband Hz> <power 0..1> [<frequency Hz>]
//   OFFAIR
// The guard answers READY when it runs, CONNECTED when rigctld answers it, LOST when that
// connection went, and ERROR <why> for a line it did not take.
namespace guard {

// What the radio is given back when the guard unkeys it.
struct RadioSettings {
    QByteArray mode; // as rigctld names it: FM, USB, PKTUSB
    int passbandHz = 0;
    double power = 0; // RFPOWER, 0 to 1
    std::optional<qint64> frequencyHz;

    bool operator==(const RadioSettings&) const = default;
};

struct OnAir {
    std::chrono::milliseconds untilDeadline{0};
    RadioSettings restore;
};

inline constexpr char OffAirLine[] = "OFFAIR";
inline constexpr char Ready[] = "READY";
inline constexpr char Connected[] = "CONNECTED";
inline constexpr char Lost[] = "LOST";
inline constexpr char Error[] = "ERROR";

// The line for the guard, without its line end.
QByteArray onAirLine(const OnAir& onAir);
// The ONAIR line read back; nothing when it is not one or a value is unusable, so nothing but
// plain words and numbers ever reaches rigctld from it.
std::optional<OnAir> parseOnAir(const QByteArray& line);

// The long-form commands that unkey the radio and then give it its settings back.
QList<QByteArray> unkeyAndRestoreCommands(const RadioSettings& restore);

} // namespace guard
