#include "GlobalSettings.h"

#include "NumberText.h"
#include "ProfileFile.h"
#include "ProgramDirectory.h"

#include <QDir>

namespace {

const QString NotFound = QStringLiteral("Not Found");

QString readValue(const ProfileFile& file, const QString& section, const QString& key)
{
    const QString value = file.value(section, key).value_or(NotFound);
    return value == NotFound ? QString() : value;
}

} // namespace

QString SettingsProblem::message() const
{
    // A long value is shown cut, so the box stays readable.
    const QString shown = value.size() > 80 ? value.left(80) + QStringLiteral("...") : value;
    return QStringLiteral("%1, section [%2], key \"%3\": the value \"%4\" cannot be used.\n\n%5")
        .arg(QString::fromLatin1(SettingsFileName), section, key, shown, expected);
}

QString leggi_ini(const QString& programDirectory, const QString& fileName, const QString& section, const QString& key)
{
    return readValue(ProfileFile::load(QDir(programDirectory).filePath(fileName)), section, key);
}

bool scrivi_ini(const QString& filePath, const QString& section, const QString& key, const QString& value,
                QString* error)
{
    return ProfileFile::write(filePath, section, key, value, error);
}

std::optional<SettingsProblem> carica_ini(const QString& programDirectory, GlobalSettings& settings)
{
    const ProfileFile file = ProfileFile::load(QDir(programDirectory).filePath(QString::fromLatin1(SettingsFileName)));
    GlobalSettings loaded;
    std::optional<SettingsProblem> problem;

    auto text = [&](const char* section, const char* key) {
        return readValue(file, QString::fromLatin1(section), QString::fromLatin1(key));
    };
    auto whole = [&](const char* section, const char* key, long long minimum, long long maximum) -> long long {
        const QString value = text(section, key);
        const auto number = parseWholeNumber(value, minimum, maximum);
        if (!number && !problem) {
            problem =
                SettingsProblem{QString::fromLatin1(section), QString::fromLatin1(key), value,
                                QStringLiteral("It must be a whole number from %1 to %2.").arg(minimum).arg(maximum)};
        }
        return number.value_or(0);
    };

    loaded.path_PROC = text("sezione 1", "path_PROC");
    loaded.path_DATI = text("sezione 2", "path_DATI");
    loaded.UTENTE = text("sezione 3", "UTENTE");
    loaded.RELEASE = text("sezione 5", "RELEASE");
    loaded.PORTACOM = std::int16_t(whole("sezione 6", "PORTACOM", 1, 255));
    loaded.PORTACOMSET = text("sezione 7", "PORTACOMSET");
    loaded.PIN = std::int16_t(whole("sezione 8", "PIN", INT16_MIN, INT16_MAX));
    loaded.MAXROT = std::int16_t(whole("sezione 9", "MAXROT", INT16_MIN, INT16_MAX));
    loaded.MINROT = std::int16_t(whole("sezione 10", "MINROT", INT16_MIN, INT16_MAX));

    const qsizetype comma = loaded.PORTACOMSET.indexOf(u',');
    const auto baud = comma < 0 ? std::nullopt : parseWholeNumber(loaded.PORTACOMSET.left(comma), 1, 4000000);
    if (!baud && !problem) {
        problem = SettingsProblem{QStringLiteral("sezione 7"), QStringLiteral("PORTACOMSET"), loaded.PORTACOMSET,
                                  QStringLiteral("It must be the line settings speed,parity,data bits,stop bits, "
                                                 "for example 9600,n,8,1.")};
    }
    loaded.BAUD = std::int32_t(baud.value_or(0));

    // Everything the program reads lies below its own directory.
    if (!staysBelowProgramDirectory(loaded.path_DATI) && !problem) {
        problem = SettingsProblem{QStringLiteral("sezione 2"), QStringLiteral("path_DATI"), loaded.path_DATI,
                                  QStringLiteral("The database must lie below the program directory, "
                                                 "for example \\DATABASE\\VELTRANO.MDB.")};
    }

    for (const QString& key : file.keys(QStringLiteral("porte"))) {
        if (key.startsWith(u"COM", Qt::CaseInsensitive)) {
            const auto number = parseWholeNumber(key.mid(3), 1, 255);
            const QString device = readValue(file, QStringLiteral("porte"), key);
            if (number && !device.isEmpty() && !loaded.portDevices.contains(int(*number)))
                loaded.portDevices.insert(int(*number), device);
        }
    }

    if (problem)
        return problem;
    settings = loaded;
    return std::nullopt;
}
