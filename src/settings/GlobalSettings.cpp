#include "GlobalSettings.h"

#include "NumberText.h"
#include "ProfileFile.h"

#include <QDir>

namespace {

const QString NotFound = QStringLiteral("Not Found");

QString readValue(const ProfileFile& file, const QString& section, const QString& key)
{
    const QString value = file.value(section, key).value_or(NotFound);
    return value == NotFound ? QString() : value;
}

} // namespace

QString leggi_ini(const QString& programDirectory, const QString& fileName, const QString& section, const QString& key)
{
    return readValue(ProfileFile::load(QDir(programDirectory).filePath(fileName)), section, key);
}

bool scrivi_ini(const QString& filePath, const QString& section, const QString& key, const QString& value,
                QString* error)
{
    return ProfileFile::write(filePath, section, key, value, error);
}

QString GlobalSettings::text(Setting setting) const
{
    switch (setting) {
    case Setting::path_PROC: return path_PROC;
    case Setting::path_DATI: return path_DATI;
    case Setting::UTENTE: return UTENTE;
    case Setting::RELEASE: return RELEASE;
    case Setting::PORTACOM: return QString::number(PORTACOM);
    case Setting::PORTACOMSET: return PORTACOMSET;
    case Setting::PIN: return QString::number(PIN);
    case Setting::MAXROT: return QString::number(MAXROT);
    case Setting::MINROT: return QString::number(MINROT);
    }
    return QString();
}

void GlobalSettings::setText(Setting setting, const QString& value)
{
    const NumberRange range = settingKey(setting).range;
    const auto number = [&] { return std::int16_t(parseWholeNumber(value, range.minimum, range.maximum).value_or(0)); };
    switch (setting) {
    case Setting::path_PROC: path_PROC = value; break;
    case Setting::path_DATI: path_DATI = value; break;
    case Setting::UTENTE: UTENTE = value; break;
    case Setting::RELEASE: RELEASE = value; break;
    case Setting::PORTACOM: PORTACOM = number(); break;
    case Setting::PORTACOMSET:
        PORTACOMSET = value;
        BAUD = std::int32_t(lineSpeed(value).value_or(0));
        break;
    case Setting::PIN: PIN = number(); break;
    case Setting::MAXROT: MAXROT = number(); break;
    case Setting::MINROT: MINROT = number(); break;
    }
}

std::optional<SettingsProblem> carica_ini(const QString& programDirectory, GlobalSettings& settings)
{
    const ProfileFile file = ProfileFile::load(QDir(programDirectory).filePath(QString::fromLatin1(SettingsFileName)));
    GlobalSettings loaded;
    std::optional<SettingsProblem> problem;
    for (const SettingKey& key : SettingKeys) {
        const QString value = readValue(file, key.sectionName(), key.keyName());
        if (const auto expected = key.refusal(value); expected && !problem)
            problem = SettingsProblem{key.sectionName(), key.keyName(), value, *expected};
        loaded.setText(key.setting, value);
    }

    for (const QString& key : file.keys(QStringLiteral("porte"))) {
        if (key.startsWith(u"COM", Qt::CaseInsensitive)) {
            const auto number = parseWholeNumber(QStringView(key).mid(3), PortNumbers.minimum, PortNumbers.maximum);
            const QString device = readValue(file, QStringLiteral("porte"), key);
            if (number && !device.isEmpty() && !loaded.portDevices.contains(int(*number)))
                loaded.portDevices.insert(int(*number), device);
        }
    }

    if (auto rigProblem = loadRigSettings(file, loaded.rig); rigProblem && !problem)
        problem = rigProblem;

    if (problem)
        return problem;
    settings = loaded;
    return std::nullopt;
}
