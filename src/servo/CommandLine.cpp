#include "CommandLine.h"

#include "GlobalSettings.h"
#include "NumberText.h"

namespace {

constexpr double LowestStep = 0;
constexpr double HighestStep = 180;

} // namespace

QString servoStartLine(double pin, double minimum, double maximum)
{
    return QStringLiteral("IS,%1,%2,%3,").arg(plainDecimal(pin), plainDecimal(minimum), plainDecimal(maximum));
}

QString servoStartLine(const GlobalSettings& settings)
{
    return servoStartLine(settings.PIN, settings.MINROT, settings.MAXROT);
}

QString servoStartLine(const QString& pinText, const QString& minimumText, const QString& maximumText)
{
    return servoStartLine(fieldValue(pinText), fieldValue(minimumText), fieldValue(maximumText));
}

QString positionLine(const QString& angleText)
{
    return QStringLiteral("A,%1,").arg(angleText.trimmed());
}

double fieldValue(const QString& text)
{
    return leadingNumberValue(text.trimmed());
}

QString enteredValueText(const QString& text)
{
    return plainDecimal(fieldValue(text));
}

bool isPwmPin(double pin)
{
    for (const double valid : {3, 5, 6, 9, 10, 11}) {
        if (pin == valid)
            return true;
    }
    return false;
}

bool angleWithinLimits(const QString& angleText, double minimum, double maximum)
{
    const double angle = fieldValue(angleText);
    return !angleText.isEmpty() && angle >= minimum && angle <= maximum;
}

std::optional<QString> steppedAngle(const QString& angleText, int step)
{
    const double angle = fieldValue(angleText);
    if (step > 0 ? angle >= HighestStep : angle <= LowestStep)
        return std::nullopt;
    return plainDecimal(angle + step);
}
