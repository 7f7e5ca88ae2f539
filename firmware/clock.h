/* The board's microsecond clock: Timer1 free-running at 2 MHz, extended by
 * a count of its overflows to 32 bits of microseconds (wraps after 2^32 us). */
#ifndef LAPBOARD_CLOCK_H
#define LAPBOARD_CLOCK_H

#include <stdint.h>

void clock_init(void);

/* For interrupt handlers and other code that already runs with interrupts
 * off: the time right now. */
uint32_t clock_now_irqoff(void);

/* For the main loop. */
uint32_t clock_now(void);

#endif
