/* The eight output lines: 1..4 (track power) on PB0..PB3, 5..8 (start
 * lamps) on PC0..PC3, active high. The status LED is on PB5. */
#ifndef LAPBOARD_OUTPUTS_H
#define LAPBOARD_OUTPUTS_H

#include <stdbool.h>
#include <stdint.h>

void outputs_init(void);

/* Sets all eight lines at once and returns the board time of the write. */
uint32_t outputs_apply(uint8_t image);

uint8_t outputs_image(void);

void status_led(bool on);

#endif
