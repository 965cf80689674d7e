// Veltrano loop-antenna board: an Arduino Uno turning the PC's serial commands into servo pulses.
// Serial at 9600 baud, 8N1; see Commands.h for the lines it understands.

#include "Commands.h"
#include "ServoPulse.h"

#include <avr/sleep.h>

namespace {
const long BaudRate = 9600;
Commands::LineReader g_reader;
}

void setup()
{
    ServoPulse::begin();
    // Timer2 only serves tone() and analogWrite() on pins 3 and 11, unused here. Stopped, it also
    // spares the emulator most of its work: phase-correct PWM is costly to simulate.
    TCCR2B = 0;
    Serial.begin(BaudRate);
    Serial.println(F("READY veltrano board 1.0"));
}

void loop()
{
    while (Serial.available() > 0) {
        switch (g_reader.feed(static_cast<char>(Serial.read()))) {
        case Commands::LineReader::Line:
            Commands::execute(g_reader.line(), Serial);
            break;
        case Commands::LineReader::TooLong:
            Commands::replyTooLong(Serial);
            break;
        case Commands::LineReader::Pending:
            break;
        }
    }
    // Idle until the next interrupt (serial byte, servo edge or the millisecond tick): the timers
    // and the UART keep running, and an emulator can skip the idle cycles.
    set_sleep_mode(SLEEP_MODE_IDLE);
    sleep_mode();
}
