#pragma once

#include "SettingKeys.h"
#include "SettingsProblem.h"

#include <QString>

#include <optional>

class ProfileFile;

// Section [rig]: where rigctld listens, whether the loop follows the radio and how often the radio is
// asked, how the loop is tuned by SWR and by the receiver's noise, and how it learns a band. A missing section or key
// means the default, so settings files from before keep working.
struct RigSettings {
    static inline const QString Section = QStringLiteral("rig");
    static constexpr NumberRange Ports{1, 65535};
    static constexpr NumberRange PollIntervals{20, 5000};
    static constexpr NumberRange TunePowers{1, 100};
    static constexpr NumberRange TuneSeconds{1, 60};
    static constexpr NumberRange SettleTimes{0, 5000};
    static constexpr NumberRange LearnSeconds{10, 600};
    static constexpr NumberRange DriftHours{1, 168};

    QString HOST = QStringLiteral("127.0.0.1");
    int PORT = 4532;
    int FOLLOW = 0; // 0 or 1, as the file has it
    int POLL_MS = 100;
    // Tuning by SWR transmits, so it stays off until the operator turns it on.
    int TUNE_TX = 0;
    int TUNE_POWER = 5;                       // percent of the radio's power
    QString TUNE_MODE = QStringLiteral("FM"); // a mode that sends a steady carrier
    int TUNE_MAX_S = 10;                      // the most time on the air of one run
    int TUNE_SETTLE_MS = 150;                 // the servo's time to get there before the meter is read
    // The S-meter is slower than the SWR meter: the radio's AGC needs a moment too.
    int PEAK_SETTLE_MS = 200;
    int LEARN_MAX_S = 120; // the most time on the air of one run learning a band
    int DRIFT_HOURS = 12;  // how long an offset learned by tuning stays good

    friend bool operator==(const RigSettings&, const RigSettings&) = default;
};

// A host rigctld can be reached at: a name or an address, without blanks.
bool isRigHost(const QString& host);
// A mode as rigctld names it ("FM", "PKTFM"): capital letters and digits.
bool isRigMode(const QString& mode);

// Reads [rig] into settings; a value that is there but cannot be used is the problem returned, and
// settings are left as they were.
std::optional<SettingsProblem> loadRigSettings(const ProfileFile& file, RigSettings& settings);

// Writes the keys in one replacement of the file, all or none; false with the reason in error.
bool writeRigSettings(const QString& filePath, const RigSettings& settings, QString* error = nullptr);
