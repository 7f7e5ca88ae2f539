#include "sensors.h"

#include <avr/interrupt.h>
#include <avr/io.h>
#include <util/atomic.h>

#include "clock.h"

#define SENSOR_PINS (_BV(PD2) | _BV(PD3) | _BV(PD4) | _BV(PD5))

/* A power of two, so the indices wrap by masking. Sixteen changes are half a
 * second of four cars crossing at once while a long line is being sent. */
#define QUEUE_SIZE 16u
#define QUEUE_MASK (QUEUE_SIZE - 1u)

static volatile SensorChange queue[QUEUE_SIZE];
static volatile uint8_t head;   /* written by the interrupt */
static volatile uint8_t tail;   /* written by the main loop */
static volatile uint8_t currentLevels;
static volatile bool lostPending;
static uint8_t initialLevels;

static uint8_t levels_from_pins(uint8_t pins)
{
    return (uint8_t)(~pins >> PD2) & 0x0Fu;
}

ISR(PCINT2_vect)
{
    /* The time first: it is the lap mark, every cycle before it counts. */
    uint32_t now = clock_now_irqoff();
    uint8_t levels = levels_from_pins(PIND);
    if (levels == currentLevels)
        return;   /* a pulse shorter than this interrupt's latency */
    currentLevels = levels;
    uint8_t next = (uint8_t)((head + 1u) & QUEUE_MASK);
    if (next == tail) {
        lostPending = true;
        return;
    }
    volatile SensorChange *slot = &queue[head];
    slot->time = now;
    slot->levels = levels;
    slot->lostBefore = lostPending;
    lostPending = false;
    head = next;
}

void sensors_init(void)
{
    DDRD &= (uint8_t)~SENSOR_PINS;
    PORTD |= SENSOR_PINS;           /* internal pull-ups */
    /* Let the pull-ups charge the cable before the first read. */
    for (volatile uint16_t i = 0; i < 2000u; ++i) {
    }
    initialLevels = levels_from_pins(PIND);
    currentLevels = initialLevels;
    PCMSK2 = SENSOR_PINS;
    PCIFR = _BV(PCIF2);
    PCICR |= _BV(PCIE2);
}

bool sensors_pending(void)
{
    return tail != head || lostPending;
}

uint8_t sensors_initial_levels(void)
{
    return initialLevels;
}

SensorsResult sensors_take(SensorChange *change, uint8_t *levels)
{
    SensorsResult result = SENSORS_NOTHING;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
    {
        if (tail != head) {
            volatile SensorChange *slot = &queue[tail];
            change->time = slot->time;
            change->levels = slot->levels;
            change->lostBefore = slot->lostBefore;
            tail = (uint8_t)((tail + 1u) & QUEUE_MASK);
            result = SENSORS_CHANGE;
        } else if (lostPending) {
            lostPending = false;
            *levels = currentLevels;
            result = SENSORS_LOST;
        }
    }
    return result;
}
