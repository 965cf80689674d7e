#include "SettingKeys.h"

#include "NumberText.h"
#include "ProgramDirectory.h"

namespace {

std::optional<long long> speedWithin(const QString& lineSettings, NumberRange range)
{
    const qsizetype comma = lineSettings.indexOf(u',');
    if (comma < 0)
        return std::nullopt;
    return parseWholeNumber(QStringView(lineSettings).left(comma), range.minimum, range.maximum);
}

} // namespace

QString SettingKey::sectionName() const
{
    return QString::fromLatin1(section);
}

QString SettingKey::keyName() const
{
    return QString::fromLatin1(key);
}

std::optional<QString> SettingKey::refusal(const QString& value) const
{
    switch (kind) {
    case SettingKind::Text: return std::nullopt;
    case SettingKind::DatabasePath:
        // Empty, it would name the program directory itself.
        if (value.trimmed().isEmpty())
            return QStringLiteral("It must name the memory file, for example %1; without the key, that file "
                                  "is used.")
                .arg(DefaultDatabasePath);
        if (staysBelowProgramDirectory(value))
            return std::nullopt;
        return QStringLiteral("The database must lie below the program directory, for example %1.")
            .arg(DefaultDatabasePath);
    case SettingKind::WholeNumber: return wholeNumberRefusal(value, range);
    case SettingKind::LineSettings:
        if (speedWithin(value, range))
            return std::nullopt;
        return QStringLiteral("It must be the line settings speed,parity,data bits,stop bits, for example 9600,n,8,1.");
    }
    return std::nullopt;
}

const SettingKey& settingKey(Setting setting)
{
    for (const SettingKey& key : SettingKeys) {
        if (key.setting == setting)
            return key;
    }
    Q_UNREACHABLE();
}

std::optional<QString> wholeNumberRefusal(const QString& value, NumberRange range)
{
    if (parseWholeNumber(value, range.minimum, range.maximum))
        return std::nullopt;
    return QStringLiteral("It must be a whole number from %1 to %2.").arg(range.minimum).arg(range.maximum);
}

std::optional<long long> lineSpeed(const QString& lineSettings)
{
    return speedWithin(lineSettings, LineSpeeds);
}
