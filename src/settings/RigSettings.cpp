#include "RigSettings.h"

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
    {"TUNE_TX", {0, 1}, &RigSettings::TUNE_TX},
    {"TUNE_POWER", RigSettings::TunePowers, &RigSettings::TUNE_POWER},
    {"TUNE_MAX_S", RigSettings::TuneSeconds, &RigSettings::TUNE_MAX_S},
    {"TUNE_SETTLE_MS", RigSettings::SettleTimes, &RigSettings::TUNE_SETTLE_MS},
    {"PEAK_SETTLE_MS", RigSettings::SettleTimes, &RigSettings::PEAK_SETTLE_MS},
    {"LEARN_MAX_S", RigSettings::LearnSeconds, &RigSettings::LEARN_MAX_S},
    {"DRIFT_HOURS", RigSettings::DriftHours, &RigSettings::DRIFT_HOURS},
};

const char HostKey[] = "HOST";
const char TuneModeKey[] = "TUNE_MODE";

} // namespace

bool isRigHost(const QString& host)
{
    return !host.isEmpty() && host.size() <= 253 &&
           std::none_of(host.cbegin(), host.cend(), [](QChar c) { return c.isSpace() || c.unicode() < 32; });
}

bool isRigMode(const QString& mode)
{
    return !mode.isEmpty() && mode.size() <= 12 && std::all_of(mode.cbegin(), mode.cend(), [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    });
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
    if (const auto mode = file.value(RigSettings::Section, QString::fromLatin1(TuneModeKey))) {
        if (!isRigMode(mode->toUpper())) {
            return SettingsProblem{RigSettings::Section, QString::fromLatin1(TuneModeKey), *mode,
                                   QStringLiteral("It must be a mode as rigctld names it, for example FM or AM.")};
        }
        loaded.TUNE_MODE = mode->toUpper();
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
    QList<ProfileFile::Setting> values{{RigSettings::Section, QString::fromLatin1(HostKey), settings.HOST},
                                       {RigSettings::Section, QString::fromLatin1(TuneModeKey), settings.TUNE_MODE}};
    for (const WholeKey& whole : WholeKeys)
        values.append({RigSettings::Section, QString::fromLatin1(whole.key), QString::number(settings.*whole.field)});
    return ProfileFile::write(filePath, values, error);
}
