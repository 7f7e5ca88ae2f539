/* The four lap sensors on PD2..PD5. A car at a sensor pulls its input low.
 * Every change is timestamped in the pin-change interrupt and queued for the
 * main loop, which may be busy sending when it happens. */
#ifndef LAPBOARD_SENSORS_H
#define LAPBOARD_SENSORS_H

#include <stdbool.h>
#include <stdint.h>

typedef struct {
    uint32_t time;      /* board microseconds, taken in the interrupt */
    uint8_t levels;     /* bit n set: a car at sensor n+1, after the change */
    bool lostBefore;    /* changes were dropped just before this one */
} SensorChange;

typedef enum {
    SENSORS_NOTHING,    /* no change waiting */
    SENSORS_CHANGE,     /* *change is filled */
    SENSORS_LOST        /* changes were dropped and none follows yet */
} SensorsResult;

void sensors_init(void);

/* Takes the oldest change off the queue. On SENSORS_LOST, *levels holds the
 * sensors as they are now, since the dropped changes can't say so. */
SensorsResult sensors_take(SensorChange *change, uint8_t *levels);

/* True when sensors_take has something to give; call with interrupts off
 * to decide whether the main loop may sleep. */
bool sensors_pending(void);

/* The levels before any change was queued, read at start. */
uint8_t sensors_initial_levels(void);

#endif
