#include "Commands.h"

#include "ServoPulse.h"

#include <Arduino.h>

namespace {

const uint8_t MaxFields = 4;     // IS plus three numbers
const uint8_t FirstServoPin = 2; // 0 and 1 carry the serial line
const uint8_t LastServoPin = 19; // A5

// Angles and limits in tenths of a degree.
int16_t g_minimum = 0;
int16_t g_maximum = 1800;
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

// A whole number or one with a single decimal ("95", "095", "95.5", "-0.5") in tenths. Huge values
// saturate so that an absurd angle is clamped rather than wrapped round to a plausible one.
Number parseTenths(const char* text, int32_t& tenths)
{
    if (*text == '\0')
        return Number::Missing;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    bool haveDigits = false;
    int32_t result = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        result = result * 10 + (*text - '0');
        if (result > 9999)
            result = 9999;
        haveDigits = true;
    }
    result *= 10;
    if (*text == '.') {
        if (text[1] < '0' || text[1] > '9')
            return Number::Bad;
        result += text[1] - '0';
        text += 2;
        haveDigits = true;
    }
    if (!haveDigits || *text != '\0')
        return Number::Bad;
    tenths = negative ? -result : result;
    return Number::Ok;
}

// Whole degrees as before ("95"), a tenth only where there is one ("95.5").
void printTenths(Print& reply, int32_t tenths)
{
    if (tenths < 0) {
        reply.print('-');
        tenths = -tenths;
    }
    reply.print(tenths / 10);
    if (tenths % 10 != 0) {
        reply.print('.');
        reply.print(tenths % 10);
    }
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
    int32_t values[3];
    for (uint8_t i = 0; i < 3; ++i) {
        const Number parsed = i + 1 < count ? parseTenths(fields[i + 1], values[i]) : Number::Missing;
        if (parsed != Number::Ok)
            return replyNumberError(parsed, reply);
    }
    const int32_t pin = values[0], minimum = values[1], maximum = values[2];
    if (pin < FirstServoPin * 10 || pin > LastServoPin * 10 || pin % 10 != 0) {
        reply.print(F("ERR bad pin "));
        printTenths(reply, pin);
        reply.println();
        return;
    }
    if (minimum < 0 || maximum > 1800 || minimum > maximum) {
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
        ServoPulse::writeAngle(g_angle);
    }
    ServoPulse::attach(pin / 10);
    reply.print(F("OK IS pin "));
    reply.print(pin / 10);
    reply.print(F(" limits "));
    printTenths(reply, minimum);
    reply.print('-');
    printTenths(reply, maximum);
    if (g_angle >= 0) {
        reply.print(F(" angle "));
        printTenths(reply, g_angle);
    }
    reply.println();
}

void move(char** fields, uint8_t count, Print& reply)
{
    int32_t requested = 0;
    const Number parsed = count > 1 ? parseTenths(fields[1], requested) : Number::Missing;
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
    ServoPulse::writeAngle(angle);
    reply.print(F("OK A "));
    printTenths(reply, angle);
    reply.print(F(" ("));
    reply.print(ServoPulse::angleToMicroseconds(angle));
    reply.print(F(" us)"));
    if (angle != requested) {
        reply.print(F(" clamped from "));
        printTenths(reply, requested);
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
