#include "outputs.h"

#include <avr/io.h>
#include <util/atomic.h>

#include "clock.h"

#define LOW_NIBBLE 0x0Fu
#define LED_PIN _BV(PB5)

static uint8_t image;

void outputs_init(void)
{
    PORTB &= (uint8_t)~(LOW_NIBBLE | LED_PIN);
    PORTC &= (uint8_t)~LOW_NIBBLE;
    DDRB |= LOW_NIBBLE | LED_PIN;
    DDRC |= LOW_NIBBLE;
    image = 0;
}

uint32_t outputs_apply(uint8_t newImage)
{
    uint32_t when;
    /* Interrupts off so the time read belongs to this write and not to
     * whatever an interrupt would have made of the moments between. */
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
    {
        PORTB = (uint8_t)((PORTB & ~LOW_NIBBLE) | (newImage & LOW_NIBBLE));
        PORTC = (uint8_t)((PORTC & ~LOW_NIBBLE) | (newImage >> 4));
        when = clock_now_irqoff();
    }
    image = newImage;
    return when;
}

uint8_t outputs_image(void)
{
    return image;
}

void status_led(bool on)
{
    if (on)
        PORTB |= LED_PIN;
    else
        PORTB &= (uint8_t)~LED_PIN;
}
