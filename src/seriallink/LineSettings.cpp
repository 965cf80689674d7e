#include "LineSettings.h"

#include "NumberText.h"

#include <QStringList>

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

    const QString parity = fields[1].trimmed().toLower();
    if (parity == u"n")
        settings.parity = QSerialPort::NoParity;
    else if (parity == u"e")
        settings.parity = QSerialPort::EvenParity;
    else if (parity == u"o")
        settings.parity = QSerialPort::OddParity;
    else if (parity == u"m")
        settings.parity = QSerialPort::MarkParity;
    else if (parity == u"s")
        settings.parity = QSerialPort::SpaceParity;
    else
        return refuse(QStringLiteral("the parity must be n, e, o, m or s"));

    const auto dataBits = parseWholeNumber(fields[2], 5, 8);
    if (!dataBits)
        return refuse(QStringLiteral("the data bits must be 5, 6, 7 or 8"));
    settings.dataBits = QSerialPort::DataBits(*dataBits);

    const QString stop = fields[3].trimmed();
    if (stop == u"1")
        settings.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5")
        settings.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2")
        settings.stopBits = QSerialPort::TwoStop;
    else
        return refuse(QStringLiteral("the stop bits must be 1, 1.5 or 2"));
    return settings;
}

QString LineSettings::text() const
{
    const char* parityLetter = "n";
    switch (parity) {
    case QSerialPort::EvenParity: parityLetter = "e"; break;
    case QSerialPort::OddParity: parityLetter = "o"; break;
    case QSerialPort::MarkParity: parityLetter = "m"; break;
    case QSerialPort::SpaceParity: parityLetter = "s"; break;
    default: break;
    }
    const char* stop = stopBits == QSerialPort::TwoStop ? "2" : stopBits == QSerialPort::OneAndHalfStop ? "1.5" : "1";
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baud)
        .arg(QLatin1String(parityLetter))
        .arg(int(dataBits))
        .arg(QLatin1String(stop));
}
