/* Lines of the board's serial protocol (version 1): a body, '*', four hex
 * digits of CRC-16/MCRF4XX over the body, and '\n'. */
#ifndef LAPBOARD_PROTOCOL_H
#define LAPBOARD_PROTOCOL_H

#include <stdbool.h>
#include <stdint.h>

#define PROTOCOL_VERSION "1"
#define FIRMWARE_VERSION "1.0"

/* The longest line either side may send, its line feed included. */
#define LINE_MAX 48u

/* --- building a line to send */

typedef struct {
    char text[LINE_MAX];
    uint8_t length;
} OutLine;

/* Starts a line of the given type with the board's next sequence number. */
void line_begin(OutLine *line, char type, uint8_t seq);
void line_hex(OutLine *line, uint32_t value, uint8_t digits);
void line_text(OutLine *line, const char *text);
/* Appends the checksum and the line feed. */
void line_finish(OutLine *line);

/* --- reading a line from the PC */

typedef enum {
    COMMAND_HELLO,      /* ? */
    COMMAND_OUTPUTS,    /* O, with outputs */
    COMMAND_QUERY,      /* Q */
    COMMAND_HEARTBEAT,  /* H */
    COMMAND_BAD_CRC,
    COMMAND_BAD_FORMAT
} CommandKind;

typedef struct {
    CommandKind kind;
    uint8_t seq;
    uint8_t outputs;
} Command;

/* Collects received bytes into lines. */
typedef struct {
    char text[LINE_MAX];
    uint8_t length;
    bool overlong;      /* dropping bytes up to the next line feed */
} LineReader;

void reader_init(LineReader *reader);

/* Feeds one byte. Returns true when it ended a line; *command then says
 * what the line was, damaged lines included. */
bool reader_feed(LineReader *reader, uint8_t byte, Command *command);

#endif
