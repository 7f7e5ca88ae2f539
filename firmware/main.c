/* Kobalap lap-sensor board: times the sensor changes in their interrupt,
 * reports them over the serial line and sets the eight output lines on the
 * PC's command. All outputs go off when the PC falls silent. */
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>
#include <avr/wdt.h>
#include <stdbool.h>
#include <stdint.h>
#include <util/atomic.h>

#include "clock.h"
#include "outputs.h"
#include "protocol.h"
#include "sensors.h"
#include "uart.h"

#define HEARTBEAT_US 100000UL
#define SILENCE_US 500000UL

static uint8_t nextSeq;
/* The levels in the last E or H line sent. A heartbeat repeats these rather
 * than the pins themselves, so that it never shows a change whose E line
 * (with the change's own time) is still queued behind it. */
static uint8_t reportedLevels;

/* Old boot loaders leave the watchdog running after a watchdog reset; stop
 * it before anything else so the board doesn't reset again and again. */
void watchdog_off_at_start(void) __attribute__((naked, used, section(".init3")));
void watchdog_off_at_start(void)
{
    MCUSR = 0;
    wdt_disable();
}

static void send(OutLine *line)
{
    line_finish(line);
    uart_write(line->text, line->length);
}

static void begin(OutLine *line, char type)
{
    line_begin(line, type, nextSeq++);
}

static void send_hello(void)
{
    OutLine line;
    begin(&line, 'K');
    line_text(&line, PROTOCOL_VERSION);
    line_text(&line, FIRMWARE_VERSION);
    send(&line);
}

static void send_problem(const char *reason)
{
    OutLine line;
    begin(&line, 'X');
    line_text(&line, reason);
    send(&line);
}

static void report_sensor_changes(void)
{
    SensorChange change;
    uint8_t levelsNow;
    for (;;) {
        SensorsResult result = sensors_take(&change, &levelsNow);
        if (result == SENSORS_NOTHING)
            return;
        if (result == SENSORS_LOST) {
            send_problem("LOST");
            reportedLevels = levelsNow;
            continue;
        }
        if (change.lostBefore)
            send_problem("LOST");
        OutLine line;
        begin(&line, 'E');
        line_hex(&line, change.time, 8);
        line_hex(&line, change.levels, 1);
        send(&line);
        reportedLevels = change.levels;
    }
}

static void send_heartbeat(void)
{
    /* Changes first, so the heartbeat's levels are the newest reported. */
    report_sensor_changes();
    OutLine line;
    begin(&line, 'H');
    line_hex(&line, clock_now(), 8);
    line_hex(&line, reportedLevels, 1);
    line_hex(&line, outputs_image(), 2);
    send(&line);
}

static void apply_outputs(uint8_t pcSeq, uint8_t image)
{
    uint32_t when = outputs_apply(image);
    OutLine line;
    begin(&line, 'A');
    line_hex(&line, pcSeq, 2);
    line_hex(&line, when, 8);
    line_hex(&line, image, 2);
    send(&line);
}

/* Returns true when the line was a good one (the PC is alive). */
static bool obey(const Command *command)
{
    switch (command->kind) {
    case COMMAND_HELLO:
        send_hello();
        return true;
    case COMMAND_OUTPUTS:
        apply_outputs(command->seq, command->outputs);
        return true;
    case COMMAND_QUERY:
        send_heartbeat();
        return true;
    case COMMAND_HEARTBEAT:
        return true;
    case COMMAND_BAD_CRC:
        send_problem("CRC");
        return false;
    case COMMAND_BAD_FORMAT:
        send_problem("FORMAT");
        return false;
    }
    return false;
}

/* Sleeps until the next interrupt unless there is work already. The check
 * and the sleep happen with interrupts off, and "sei; sleep" runs the sleep
 * before any interrupt, so no wake-up is lost in between. */
static void idle(void)
{
    cli();
    if (!uart_has_input() && !sensors_pending()) {
        sleep_enable();
        sei();
        sleep_cpu();
        sleep_disable();
    }
    sei();
}

int main(void)
{
    outputs_init();
    clock_init();
    uart_init();
    sensors_init();
    reportedLevels = sensors_initial_levels();
    set_sleep_mode(SLEEP_MODE_IDLE);
    wdt_enable(WDTO_250MS);
    sei();

    send_hello();

    LineReader reader;
    reader_init(&reader);
    uint32_t nextHeartbeat = clock_now() + HEARTBEAT_US;
    uint32_t lastGoodLine = clock_now();
    bool pcSilent = true;   /* no outputs are on to switch off yet */

    for (;;) {
        wdt_reset();
        report_sensor_changes();

        int16_t byte;
        Command command;
        while ((byte = uart_read()) >= 0) {
            if (reader_feed(&reader, (uint8_t)byte, &command) && obey(&command)) {
                lastGoodLine = clock_now();
                pcSilent = false;
            }
        }

        uint32_t now = clock_now();
        if ((int32_t)(now - nextHeartbeat) >= 0) {
            send_heartbeat();
            nextHeartbeat += HEARTBEAT_US;
            /* After a long stall, start the rhythm afresh rather than
             * sending a burst of heartbeats to catch up. */
            if ((int32_t)(now - nextHeartbeat) >= 0)
                nextHeartbeat = now + HEARTBEAT_US;
        }

        if (!pcSilent && now - lastGoodLine >= SILENCE_US) {
            pcSilent = true;
            outputs_apply(0);
        }
        status_led(!pcSilent);

        idle();
    }
}
