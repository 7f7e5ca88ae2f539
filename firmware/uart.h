/* USART0 at 115200 baud, 8N1. Both directions go through rings served by
 * interrupts, so neither the main loop nor the sensor interrupt ever waits
 * for a byte on the wire. */
#ifndef LAPBOARD_UART_H
#define LAPBOARD_UART_H

#include <stdbool.h>
#include <stdint.h>

void uart_init(void);

/* The next received byte, or -1 when none is waiting. */
int16_t uart_read(void);

bool uart_has_input(void);

/* Queues a whole line for sending. Waits for room when the ring is full:
 * a line is never sent in part. */
void uart_write(const char *bytes, uint8_t length);

#endif
