#pragma once

#include <stdint.h>

// One hobby servo on any digital pin, driven from Timer1: a pulse of 544 to 2400 microseconds
// every 20 milliseconds. Timer1 belongs to this driver, so analogWrite() on pins 9 and 10 is lost.
namespace ServoPulse {

const uint16_t MinMicroseconds = 544;  // 0 degrees
const uint16_t MaxMicroseconds = 2400; // 180 degrees
const uint16_t FrameMicroseconds = 20000;

// Takes Timer1. Call once from setup().
void begin();

// Moves the pulse train to another pin, after any pulse in progress has ended. The old pin is left
// low, the new one an output. A pulse width already set carries over, so a re-attached servo holds
// its angle; with none set the pin stays low until the first write.
void attach(uint8_t pin);

// Angles are in tenths of a degree, 0..1800 onto 544..2400 microseconds; more is taken as 1800.
// A tenth moves the pulse about a microsecond, so the width is kept in half-microsecond timer ticks.

// Takes effect from the next frame, never inside a pulse.
void writeAngle(uint16_t tenths);

// The pulse width of an angle, rounded to the nearest microsecond.
uint16_t angleToMicroseconds(uint16_t tenths);

} // namespace ServoPulse
