#include "LineSettings.h"

#include "NumberText.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// Each letter or number as the settings text writes it, and what the port takes; the first is the
// default.
constexpr std::array<std::pair<const char*, QSerialPort::Parity>, 5> Parities = {{
    {"n", QSerialPort::NoParity},
    {"e", QSerialPort::EvenParity},
    {"o", QSerialPort::OddParity},
    {"m", QSerialPort::MarkParity},
    {"s", QSerialPort::SpaceParity},
}};
constexpr std::array<std::pair<const char*, QSerialPort::StopBits>, 3> StopBits = {{
    {"1", QSerialPort::OneStop},
    {"1.5", QSerialPort::OneAndHalfStop},
    {"2", QSerialPort::TwoStop},
}};

} // namespace

std::optional<LineSettings> LineSettings::parse(const QString& text, QString* error)
{
    auto refuse = [&](const QString& why) -> std::optional<LineSettings> {
        if (error)
            *error = QStringLiteral("Invalid line settings \"%1\": %2").arg(text, why);
        return std::nullopt;
    };
    const QStringList fields = text.split(u',');
    if (fields.size() != 4)
        return refuse(QStringLiteral("expected speed,parity,data bits,stop bits"));

    LineSettings settings;
    const auto baud = parseWholeNumber(fields[0], 1, 4000000);
    if (!baud)
        return refuse(QStringLiteral("the speed must be a whole number of bits per second"));
    settings.baud = qint32(*baud);

    const auto parity = std::find_if(Parities.begin(), Parities.end(), [&](const auto& entry) {
        return fields[1].trimmed().compare(QLatin1String(entry.first), Qt::CaseInsensitive) == 0;
    });
    if (parity == Parities.end())
        return refuse(QStringLiteral("the parity must be n, e, o, m or s"));
    settings.parity = parity->second;

    const auto dataBits = parseWholeNumber(fields[2], 5, 8);
    if (!dataBits)
        return refuse(QStringLiteral("the data bits must be 5, 6, 7 or 8"));
    settings.dataBits = QSerialPort::DataBits(*dataBits);

    const auto stop = std::find_if(StopBits.begin(), StopBits.end(), [&](const auto& entry) {
        return fields[3].trimmed() == QLatin1String(entry.first);
    });
    if (stop == StopBits.end())
        return refuse(QStringLiteral("the stop bits must be 1, 1.5 or 2"));
    settings.stopBits = stop->second;
    return settings;
}

QString LineSettings::text() const
{
    // A value no table entry has is written as the first entry.
    const auto letterOf = [](const auto& table, auto value) {
        const auto entry = std::find_if(table.begin(), table.end(), [&](const auto& e) { return e.second == value; });
        return QLatin1String(entry == table.end() ? table.front().first : entry->first);
    };
    const QLatin1String parityLetter = letterOf(Parities, parity);
    const QLatin1String stop = letterOf(StopBits, stopBits);
    return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(parityLetter).arg(int(dataBits)).arg(stop);
}
