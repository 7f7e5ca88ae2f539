#include "clock.h"

#include <avr/interrupt.h>
#include <avr/io.h>
#include <util/atomic.h>

/* Every overflow is 65536 ticks of 0.5 us, i.e. 32768 us. Only the low 17
 * bits matter (2^17 * 2^15 = 2^32 us), so the count is kept in 32 bits and
 * allowed to wrap: the product wraps exactly where the time must. */
static volatile uint32_t overflows;

/* The compare-A interrupt does nothing but wake the main loop once a
 * millisecond, so that it can keep its 100 ms and 500 ms deadlines while it
 * sleeps between events. */
#define TICKS_PER_WAKE 2000u

ISR(TIMER1_OVF_vect)
{
    ++overflows;
}

ISR(TIMER1_COMPA_vect)
{
    OCR1A += TICKS_PER_WAKE;
}

void clock_init(void)
{
    TCCR1A = 0;                 /* normal mode: counts 0..FFFF and wraps */
    TCNT1 = 0;
    TCCR1B = _BV(CS11);         /* prescaler 8: 2 MHz at 16 MHz */
    OCR1A = TICKS_PER_WAKE;
    TIFR1 = _BV(TOV1) | _BV(OCF1A);
    TIMSK1 = _BV(TOIE1) | _BV(OCIE1A);
}

uint32_t clock_now_irqoff(void)
{
    uint32_t high = overflows;
    uint16_t ticks = TCNT1;
    /* The counter may have wrapped while interrupts are off, with its
     * overflow interrupt still pending. A small count read with the flag set
     * belongs to the overflow not yet counted; a large one was read before
     * the wrap and must not get it. */
    if ((TIFR1 & _BV(TOV1)) && ticks < 0x8000u)
        ++high;
    return (high << 15) + (ticks >> 1);
}

uint32_t clock_now(void)
{
    uint32_t now;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
    {
        now = clock_now_irqoff();
    }
    return now;
}
