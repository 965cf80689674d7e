#include "ServoPulse.h"

#include <Arduino.h>
#include <avr/interrupt.h>
#include <util/atomic.h>

namespace {

// Prescaler 8 at 16 MHz: two ticks a microsecond, and a whole frame fits in the 16-bit counter.
const uint16_t TicksPerMicrosecond = F_CPU / 8 / 1000000UL;
const uint16_t FrameTicks = ServoPulse::FrameMicroseconds * TicksPerMicrosecond;

// The compare interrupt fires this early and then waits for the exact tick, so a serial or millis
// interrupt that happens to be running when an edge falls due cannot stretch or shorten the pulse.
const uint16_t GuardTicks = 20 * TicksPerMicrosecond;

// Writing a one to a PINx bit toggles the output: both edges then cost the same cycles, so the
// latency from the tick to the edge cancels out of the pulse width.
volatile uint8_t* g_toggleRegister = nullptr;
uint8_t g_mask = 0;

volatile uint16_t g_pulseTicks = 0; // 0: no pulses
volatile uint16_t g_edgeDue = 0;    // TCNT1 at the next edge
volatile uint16_t g_frameStart = 0; // TCNT1 at the last rising edge
volatile bool g_high = false;

const uint16_t MaxAngleTenths = 1800;

// An angle's pulse width in units of 1/unitsPerMicrosecond, rounded to the nearest unit.
uint16_t scaleAngle(uint16_t tenths, uint16_t unitsPerMicrosecond)
{
    if (tenths > MaxAngleTenths)
        tenths = MaxAngleTenths;
    const uint32_t span = uint32_t(ServoPulse::MaxMicroseconds - ServoPulse::MinMicroseconds) * unitsPerMicrosecond;
    return ServoPulse::MinMicroseconds * unitsPerMicrosecond +
           static_cast<uint16_t>((tenths * span + MaxAngleTenths / 2) / MaxAngleTenths);
}

// With interrupts off: schedules the first rising edge shortly from now.
void startPulsesLocked()
{
    g_high = false;
    g_edgeDue = TCNT1 + 4 * GuardTicks;
    OCR1A = g_edgeDue - GuardTicks;
    TIFR1 = _BV(OCF1A);
    TIMSK1 |= _BV(OCIE1A);
}

} // namespace

ISR(TIMER1_COMPA_vect)
{
    const uint16_t due = g_edgeDue;
    volatile uint8_t* const toggle = g_toggleRegister;
    const uint8_t mask = g_mask;
    while (static_cast<int16_t>(TCNT1 - due) < 0) {
    }
    *toggle = mask;

    uint16_t next;
    if (!g_high) {
        g_high = true;
        g_frameStart = due;
        next = due + g_pulseTicks;
    } else {
        g_high = false;
        next = g_frameStart + FrameTicks;
    }
    g_edgeDue = next;
    OCR1A = next - GuardTicks;
}

namespace ServoPulse {

void begin()
{
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
    {
        TIMSK1 = 0;
        TCCR1A = 0; // normal mode, outputs disconnected from OC1A/OC1B
        TCCR1C = 0;
        TCNT1 = 0;
        TCCR1B = _BV(CS11);
        TIFR1 = 0xff;
    }
}

void attach(uint8_t pin)
{
    const uint8_t port = digitalPinToPort(pin);
    if (port == NOT_A_PIN)
        return;
    // A pulse in progress ends on the old pin first: cut short, it would tell that servo to swing
    // toward an end stop. Interrupts stay on while waiting, so the pulse can end.
    for (bool switched = false; !switched;) {
        ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
        {
            if (!g_high) {
                TIMSK1 &= ~_BV(OCIE1A);
                g_mask = digitalPinToBitMask(pin);
                g_toggleRegister = portInputRegister(port);
                *portOutputRegister(port) &= ~g_mask;
                *portModeRegister(port) |= g_mask;
                if (g_pulseTicks)
                    startPulsesLocked();
                switched = true;
            }
        }
    }
}

void writeAngle(uint16_t tenths)
{
    const uint16_t ticks = scaleAngle(tenths, TicksPerMicrosecond);
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
    {
        const bool running = g_pulseTicks != 0;
        g_pulseTicks = ticks;
        if (!running && g_toggleRegister)
            startPulsesLocked();
    }
}

uint16_t angleToMicroseconds(uint16_t tenths)
{
    return scaleAngle(tenths, 1);
}

} // namespace ServoPulse
