#pragma once

#include <QString>

// A setting the program cannot start with, named so the operator can find it in the file.
struct SettingsProblem {
    QString section;
    QString key;
    QString value;
    QString expected;
    QString message() const;
};

inline const QString SettingsErrorTitle = QStringLiteral("SETTINGS ERROR");
