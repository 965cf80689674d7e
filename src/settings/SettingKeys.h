#pragma once

#include <QString>

#include <optional>

// The settings file, in the program directory.
inline constexpr char SettingsFileName[] = "VELTRANO.ini";

// The keys of VELTRANO.ini and what each value must be. The loader, the settings editor and the
// set-up panel's store all take section, key and range from this one table, so that none of them
// can drift from the others.
enum class Setting { path_PROC, path_DATI, UTENTE, RELEASE, PORTACOM, PORTACOMSET, PIN, MAXROT, MINROT };

enum class SettingKind {
    Text,
    DatabasePath, // a backslash path that stays below the program directory
    WholeNumber,  // within the key's range
    LineSettings, // speed,parity,data bits,stop bits; the speed within the key's range
};

struct NumberRange {
    long long minimum = 0;
    long long maximum = 0;
};

// The record keeps port, pin and limits in 16 bits; a stored port number outside the ports a machine
// can have loads, and opening it then fails as for a port that is not there.
inline constexpr NumberRange WholeSettingRange{-32768, 32767};
inline constexpr NumberRange PortNumbers{1, 255};
inline constexpr NumberRange LineSpeeds{1, 4000000};

struct SettingKey {
    Setting setting;
    const char* section;
    const char* key;
    SettingKind kind;
    NumberRange range;

    QString sectionName() const;
    QString keyName() const;
    // What the value should have been, when the program cannot start with it.
    std::optional<QString> refusal(const QString& value) const;
};

// In the order of the file, which is the order the loader reads and the editor shows them.
inline constexpr SettingKey SettingKeys[] = {
    {Setting::path_PROC, "sezione 1", "path_PROC", SettingKind::Text, {}},
    {Setting::path_DATI, "sezione 2", "path_DATI", SettingKind::DatabasePath, {}},
    {Setting::UTENTE, "sezione 3", "UTENTE", SettingKind::Text, {}},
    {Setting::RELEASE, "sezione 5", "RELEASE", SettingKind::Text, {}},
    {Setting::PORTACOM, "sezione 6", "PORTACOM", SettingKind::WholeNumber, WholeSettingRange},
    {Setting::PORTACOMSET, "sezione 7", "PORTACOMSET", SettingKind::LineSettings, LineSpeeds},
    {Setting::PIN, "sezione 8", "PIN", SettingKind::WholeNumber, WholeSettingRange},
    {Setting::MAXROT, "sezione 9", "MAXROT", SettingKind::WholeNumber, WholeSettingRange},
    {Setting::MINROT, "sezione 10", "MINROT", SettingKind::WholeNumber, WholeSettingRange},
};

const SettingKey& settingKey(Setting setting);

// What a whole-number value should have been, when it is not a whole number within range.
std::optional<QString> wholeNumberRefusal(const QString& value, NumberRange range);

// The speed before the first comma of line settings text, when it lies within LineSpeeds.
std::optional<long long> lineSpeed(const QString& lineSettings);
