#include "uart.h"

#include <avr/interrupt.h>
#include <avr/io.h>
#include <util/atomic.h>

#define BAUD 115200UL
/* Double speed (U2X): 16 MHz / (8 * 17) = 117647 baud, 2.1 % off, within
 * what the USB bridge chips accept; without U2X it would be -3.5 %. */
#define UBRR_VALUE ((F_CPU + 4UL * BAUD) / (8UL * BAUD) - 1UL)

/* 256-byte rings: an 8-bit index wraps by itself. */
static volatile uint8_t txBuffer[256];
static volatile uint8_t txHead;
static volatile uint8_t txTail;

#define RX_SIZE 64u
#define RX_MASK (RX_SIZE - 1u)
static volatile uint8_t rxBuffer[RX_SIZE];
static volatile uint8_t rxHead;
static volatile uint8_t rxTail;

ISR(USART_RX_vect)
{
    bool damaged = (UCSR0A & (_BV(FE0) | _BV(DOR0))) != 0;
    uint8_t byte = UDR0;
    uint8_t next = (uint8_t)((rxHead + 1u) & RX_MASK);
    if (next == rxTail)
        return;   /* the line will fail its checksum and be refused */
    /* A byte garbled on the wire becomes one that no line may hold, so the
     * line is refused as damaged even if the checksum happened to match. */
    rxBuffer[rxHead] = damaged ? 0xFFu : byte;
    rxHead = next;
}

ISR(USART_UDRE_vect)
{
    if (txTail == txHead) {
        UCSR0B &= (uint8_t)~_BV(UDRIE0);
        return;
    }
    UDR0 = txBuffer[txTail];
    ++txTail;
}

void uart_init(void)
{
    UBRR0H = (uint8_t)(UBRR_VALUE >> 8);
    UBRR0L = (uint8_t)UBRR_VALUE;
    UCSR0A = _BV(U2X0);
    UCSR0C = _BV(UCSZ01) | _BV(UCSZ00);
    UCSR0B = _BV(RXEN0) | _BV(TXEN0) | _BV(RXCIE0);
}

int16_t uart_read(void)
{
    int16_t byte = -1;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
    {
        if (rxTail != rxHead) {
            byte = rxBuffer[rxTail];
            rxTail = (uint8_t)((rxTail + 1u) & RX_MASK);
        }
    }
    return byte;
}

bool uart_has_input(void)
{
    return rxTail != rxHead;
}

void uart_write(const char *bytes, uint8_t length)
{
    for (;;) {
        uint8_t used = (uint8_t)(txHead - txTail);
        if ((uint16_t)used + length < 256u)
            break;
    }
    for (uint8_t i = 0; i < length; ++i) {
        txBuffer[txHead] = (uint8_t)bytes[i];
        ++txHead;
    }
    UCSR0B |= _BV(UDRIE0);
}
