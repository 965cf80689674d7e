#include "RigSettings.h"

#include "GlobalSettings.h"
#include "NumberText.h"
#include "ProfileFile.h"

#include <algorithm>

namespace {

struct WholeKey {
    const char* key;
    NumberRange range;
    int RigSettings::*field;
};

// Unlike the keys of the other sections, these may be missing: the field's default holds then.
const WholeKey WholeKeys[] = {
    {"PORT", RigSettings::Ports, &RigSettings::PORT},
    {"FOLLOW", {0, 1}, &RigSettings::FOLLOW},
    {"POLL_MS", RigSettings::PollIntervals, &RigSettings::POLL_MS},
};

const char HostKey[] = "HOST";

} // namespace

bool isRigHost(const QString& host)
{
    return !host.isEmpty() && host.size() <= 253 &&
           std::none_of(host.cbegin(), host.cend(), [](QChar c) { return c.isSpace() || c.unicode() < 32; });
}

std::optional<SettingsProblem> loadRigSettings(const ProfileFile& file, RigSettings& settings)
{
    RigSettings loaded;
    if (const auto host = file.value(RigSettings::Section, QString::fromLatin1(HostKey))) {
        if (!isRigHost(*host)) {
            return SettingsProblem{RigSettings::Section, QString::fromLatin1(HostKey), *host,
                                   QStringLiteral("It must be the name or address of the computer running rigctld, "
                                                  "for example 127.0.0.1.")};
        }
        loaded.HOST = *host;
    }
    for (const WholeKey& whole : WholeKeys) {
        const auto value = file.value(RigSettings::Section, QString::fromLatin1(whole.key));
        if (!value)
            continue;
        if (const auto expected = wholeNumberRefusal(*value, whole.range))
            return SettingsProblem{RigSettings::Section, QString::fromLatin1(whole.key), *value, *expected};
        loaded.*whole.field = int(*parseWholeNumber(*value, whole.range.minimum, whole.range.maximum));
    }
    settings = loaded;
    return std::nullopt;
}

bool writeRigSettings(const QString& filePath, const RigSettings& settings, QString* error)
{
    QList<ProfileFile::Setting> values{{RigSettings::Section, QString::fromLatin1(HostKey), settings.HOST}};
    for (const WholeKey& whole : WholeKeys)
        values.append({RigSettings::Section, QString::fromLatin1(whole.key), QString::number(settings.*whole.field)});
    return ProfileFile::write(filePath, values, error);
}
