#pragma once

#include "RigSettings.h"
#include "SettingKeys.h"
#include "SettingsProblem.h"

#include <QMap>
#include <QString>

#include <cstdint>
#include <optional>

// Every setting of the program, loaded whole from VELTRANO.ini by carica_ini. The rest of the
// program reads its configuration from here, never from the file.
struct GlobalSettings {
    QString path_PROC;
    QString path_DATI;
    QString UTENTE;
    QString RELEASE;
    std::int16_t PORTACOM = 0;
    QString PORTACOMSET;
    std::int32_t BAUD = 0; // the speed before the first comma of PORTACOMSET, kept whole (115200 fits)
    std::int16_t PIN = 0;
    std::int16_t MAXROT = 0;
    std::int16_t MINROT = 0;
    // Optional section [porte]: COMn=device path, for systems whose ports are not called COMn.
    QMap<int, QString> portDevices;
    RigSettings rig;

    // A value as the file holds it: numbers in plain decimal.
    QString text(Setting setting) const;
    // Sets a value from the file's text; a number it cannot use becomes 0.
    void setText(Setting setting, const QString& value);
};

// One value of the file in the program directory; a missing file, section or key, an empty value and
// the literal value "Not Found" all read as the empty text.
QString leggi_ini(const QString& programDirectory, const QString& fileName, const QString& section, const QString& key);

// Writes one value into the file at filePath (created when absent). Returns false, with the reason in
// error, when the file could not be written.
bool scrivi_ini(const QString& filePath, const QString& section, const QString& key, const QString& value,
                QString* error = nullptr);

// Loads the whole record from VELTRANO.ini in the program directory. A numeric setting that cannot be
// used leaves settings untouched and is returned as the problem.
std::optional<SettingsProblem> carica_ini(const QString& programDirectory, GlobalSettings& settings);
