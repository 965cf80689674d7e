#include "Commands.h"

#include "ServoPulse.h"

#include <Arduino.h>

namespace {

const uint8_t MaxFields = 4;     // IS plus three numbers
const uint8_t FirstServoPin = 2; // 0 and 1 carry the serial line
const uint8_t LastServoPin = 19; // A5

uint8_t g_minimum = 0;
uint8_t g_maximum = 180;
bool g_haveLimits = false;
int16_t g_angle = -1; // the angle the servo holds, -1 before the first move

enum class Number : uint8_t { Ok, Missing, Bad };

char* trim(char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    char* end = text + strlen(text);
    while (end > text && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    *end = '\0';
    return text;
}

// Whole numbers with an optional sign and leading zeros; huge values saturate so that an absurd
// angle is clamped rather than wrapped round to a plausible one.
Number parseNumber(const char* text, int16_t& value)
{
    if (*text == '\0')
        return Number::Missing;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    if (*text == '\0')
        return Number::Bad;
    int32_t result = 0;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9')
            return Number::Bad;
        result = result * 10 + (*text - '0');
        if (result > 9999)
            result = 9999;
    }
    value = static_cast<int16_t>(negative ? -result : result);
    return Number::Ok;
}

bool sameCommand(const char* text, const char* command)
{
    return strcasecmp(text, command) == 0;
}

void replyNumberError(Number problem, Print& reply)
{
    reply.println(problem == Number::Missing ? F("ERR missing field") : F("ERR bad number"));
}

void attach(char** fields, uint8_t count, Print& reply)
{
    int16_t values[3];
    for (uint8_t i = 0; i < 3; ++i) {
        const Number parsed = i + 1 < count ? parseNumber(fields[i + 1], values[i]) : Number::Missing;
        if (parsed != Number::Ok)
            return replyNumberError(parsed, reply);
    }
    const int16_t pin = values[0], minimum = values[1], maximum = values[2];
    if (pin < FirstServoPin || pin > LastServoPin) {
        reply.print(F("ERR bad pin "));
        reply.println(pin);
        return;
    }
    if (minimum < 0 || maximum > 180 || minimum > maximum) {
        reply.println(F("ERR bad limits, need 0<=min<=max<=180"));
        return;
    }
    g_minimum = minimum;
    g_maximum = maximum;
    g_haveLimits = true;
    // A servo already holding an angle keeps it on the new pin, within the new limits. The width
    // is set first so that the new pin's first pulse already has it.
    if (g_angle >= 0) {
        g_angle = constrain(g_angle, g_minimum, g_maximum);
        ServoPulse::writeMicroseconds(ServoPulse::angleToMicroseconds(g_angle));
    }
    ServoPulse::attach(pin);
    reply.print(F("OK IS pin "));
    reply.print(pin);
    reply.print(F(" limits "));
    reply.print(minimum);
    reply.print('-');
    reply.print(maximum);
    if (g_angle >= 0) {
        reply.print(F(" angle "));
        reply.print(g_angle);
    }
    reply.println();
}

void move(char** fields, uint8_t count, Print& reply)
{
    int16_t requested = 0;
    const Number parsed = count > 1 ? parseNumber(fields[1], requested) : Number::Missing;
    if (parsed != Number::Ok)
        return replyNumberError(parsed, reply);
    if (count > 2) {
        reply.println(F("ERR too many fields"));
        return;
    }
    if (!g_haveLimits) {
        reply.println(F("ERR no servo, send IS first"));
        return;
    }
    const int16_t angle = constrain(requested, g_minimum, g_maximum);
    g_angle = angle;
    const uint16_t width = ServoPulse::angleToMicroseconds(angle);
    ServoPulse::writeMicroseconds(width);
    reply.print(F("OK A "));
    reply.print(angle);
    reply.print(F(" ("));
    reply.print(width);
    reply.print(F(" us)"));
    if (angle != requested) {
        reply.print(F(" clamped from "));
        reply.print(requested);
    }
    reply.println();
}

} // namespace

namespace Commands {

LineReader::Result LineReader::feed(char c)
{
    if (c == '\n')
        return Pending;
    if (c == '\r') {
        const bool overflow = m_overflow;
        m_buffer[m_length] = '\0';
        m_length = 0;
        m_overflow = false;
        return overflow ? TooLong : Line;
    }
    if (m_length < MaxLineLength)
        m_buffer[m_length++] = c;
    else
        m_overflow = true;
    return Pending;
}

void replyTooLong(Print& reply)
{
    reply.print(F("ERR line too long, max "));
    reply.println(MaxLineLength);
}

void execute(char* line, Print& reply)
{
    char* fields[MaxFields];
    uint8_t count = 0;
    char* cursor = line;
    for (;;) {
        char* comma = strchr(cursor, ',');
        if (comma)
            *comma = '\0';
        char* field = trim(cursor);
        if (count == MaxFields) {
            // Only empty trailing fields ("A,95,,") may follow a full line.
            if (*field != '\0') {
                reply.println(F("ERR too many fields"));
                return;
            }
        } else {
            fields[count++] = field;
        }
        if (!comma)
            break;
        cursor = comma + 1;
    }
    // The protocol ends every field with a comma, which leaves an empty last field.
    while (count > 0 && *fields[count - 1] == '\0')
        --count;
    if (count == 0)
        return; // a blank line is no command: stay silent

    if (sameCommand(fields[0], "IS")) {
        if (count > 4) {
            reply.println(F("ERR too many fields"));
            return;
        }
        attach(fields, count, reply);
    } else if (sameCommand(fields[0], "A")) {
        move(fields, count, reply);
    } else {
        // Echo only a little of it: the reply has to stay one short line.
        if (strlen(fields[0]) > 8)
            fields[0][8] = '\0';
        reply.print(F("ERR unknown command "));
        reply.println(fields[0]);
    }
}

} // namespace Commands
