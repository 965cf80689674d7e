#pragma once

#include <QString>

// A memory that can tune the loop: valid, with a frequency and an angle that are numbers.
struct UsableMemory {
    int number = 0;
    QString band;
    QString mode;
    double kHz = 0;
    double degrees = 0;

    friend bool operator==(const UsableMemory&, const UsableMemory&) = default;
};
