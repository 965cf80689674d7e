#pragma once

#include <QString>

// The captions of the servo switch; the caption is the servo state, there is no other.
namespace ServoSwitch {
inline const QString Off = QStringLiteral("OFF");
inline const QString On = QStringLiteral("ON");
// Set by the set-up panel's free preset: from then on the switch repeats the set-up send.
inline const QString Connect = QStringLiteral("&Connect");
} // namespace ServoSwitch
