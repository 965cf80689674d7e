#pragma once

#include <Print.h>
#include <stdint.h>

// The PC's lines: "IS,<pin>,<min>,<max>," attaches the servo with rotation limits in degrees and
// "A,<angle>," moves it. Angles and limits may carry one decimal ("A,95.5,"): a loop antenna tunes
// sharper than a degree. Each line gets exactly one reply line, "OK ..." or "ERR ...".
namespace Commands {

// Longer lines are thrown away whole and answered with an error.
const uint8_t MaxLineLength = 32;

// Collects characters into lines ended by CR. Line feeds are dropped so that a terminal sending
// CR LF works too.
class LineReader {
public:
    enum Result : uint8_t { Pending, Line, TooLong };

    Result feed(char c);
    // The line just completed, without its CR.
    char* line() { return m_buffer; }

private:
    char m_buffer[MaxLineLength + 1];
    uint8_t m_length = 0;
    bool m_overflow = false;
};

void execute(char* line, Print& reply);
void replyTooLong(Print& reply);

} // namespace Commands
