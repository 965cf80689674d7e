#pragma once

#include "SettingKeys.h"

#include <QString>

#include <optional>

class ProfileFile;
struct SettingsProblem;

// Section [rig]: where rigctld listens, whether the loop follows the radio and how often the radio is
// asked. A missing section or key means the default, so settings files from before keep working.
struct RigSettings {
    static inline const QString Section = QStringLiteral("rig");
    static constexpr NumberRange Ports{1, 65535};
    static constexpr NumberRange PollIntervals{20, 5000};

    QString HOST = QStringLiteral("127.0.0.1");
    int PORT = 4532;
    int FOLLOW = 0; // 0 or 1, as the file has it
    int POLL_MS = 100;

    friend bool operator==(const RigSettings&, const RigSettings&) = default;
};

// A host rigctld can be reached at: a name or an address, without blanks.
bool isRigHost(const QString& host);

// Reads [rig] into settings; a value that is there but cannot be used is the problem returned, and
// settings are left as they were.
std::optional<SettingsProblem> loadRigSettings(const ProfileFile& file, RigSettings& settings);

// Writes the four keys in one replacement of the file, all or none; false with the reason in error.
bool writeRigSettings(const QString& filePath, const RigSettings& settings, QString* error = nullptr);
