#include "SettingsProblem.h"

#include "SettingKeys.h"

QString SettingsProblem::message() const
{
    // A long value is shown cut, so the box stays readable.
    const QString shown = value.size() > 80 ? value.left(80) + QStringLiteral("...") : value;
    return QStringLiteral("%1, section [%2], key \"%3\": the value \"%4\" cannot be used.\n\n%5")
        .arg(QString::fromLatin1(SettingsFileName), section, key, shown, expected);
}
