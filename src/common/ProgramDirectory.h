#pragma once

#include <QString>

// Paths read from the settings file use backslashes as separators whatever the platform;
// this joins the program directory and such a path into a native one.
QString joinProgramPath(const QString& programDirectory, const QString& backslashPath);

// True when the backslash path, followed from the program directory, stays below it.
bool staysBelowProgramDirectory(const QString& backslashPath);
