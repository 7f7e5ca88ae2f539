#include "protocol.h"

#include <util/crc16.h>

static const char hexDigits[] = "0123456789ABCDEF";

static uint16_t crc_of(const char *text, uint8_t length)
{
    uint16_t crc = 0xFFFFu;
    for (uint8_t i = 0; i < length; ++i)
        crc = _crc_ccitt_update(crc, (uint8_t)text[i]);
    return crc;
}

static void put(OutLine *line, char c)
{
    /* Every line this firmware builds fits; the guard only keeps a future
     * mistake from writing past the buffer. */
    if (line->length < LINE_MAX)
        line->text[line->length++] = c;
}

void line_hex(OutLine *line, uint32_t value, uint8_t digits)
{
    put(line, ' ');
    while (digits > 0) {
        --digits;
        put(line, hexDigits[(value >> (4u * digits)) & 0x0Fu]);
    }
}

void line_text(OutLine *line, const char *text)
{
    put(line, ' ');
    while (*text)
        put(line, *text++);
}

void line_begin(OutLine *line, char type, uint8_t seq)
{
    line->length = 0;
    put(line, type);
    line_hex(line, seq, 2);
}

void line_finish(OutLine *line)
{
    uint16_t crc = crc_of(line->text, line->length);
    put(line, '*');
    for (int8_t shift = 12; shift >= 0; shift -= 4)
        put(line, hexDigits[(crc >> shift) & 0x0Fu]);
    put(line, '\n');
}

void reader_init(LineReader *reader)
{
    reader->length = 0;
    reader->overlong = false;
}

/* Upper-case hex only, as the PC sends it: anything else is a damaged line. */
static int8_t hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return (int8_t)(c - '0');
    if (c >= 'A' && c <= 'F')
        return (int8_t)(c - 'A' + 10);
    return -1;
}

static bool parse_hex(const char *text, uint8_t digits, uint16_t *value)
{
    uint16_t result = 0;
    for (uint8_t i = 0; i < digits; ++i) {
        int8_t v = hex_value(text[i]);
        if (v < 0)
            return false;
        result = (uint16_t)((result << 4) | (uint8_t)v);
    }
    *value = result;
    return true;
}

/* Reads a complete line without its line feed (and carriage return). */
static void parse_line(const char *text, uint8_t length, Command *command)
{
    command->kind = COMMAND_BAD_FORMAT;
    command->seq = 0;
    command->outputs = 0;

    /* Shortest line: "Q 00*XXXX". */
    if (length < 9 || text[length - 5] != '*')
        return;
    uint8_t bodyLength = (uint8_t)(length - 5);
    uint16_t sent;
    if (!parse_hex(text + bodyLength + 1, 4, &sent))
        return;
    if (sent != crc_of(text, bodyLength)) {
        command->kind = COMMAND_BAD_CRC;
        return;
    }

    uint16_t seq;
    if (text[1] != ' ' || !parse_hex(text + 2, 2, &seq))
        return;
    command->seq = (uint8_t)seq;

    char type = text[0];
    if (type == 'O') {
        uint16_t outputs;
        if (bodyLength != 7 || text[4] != ' ' || !parse_hex(text + 5, 2, &outputs))
            return;
        command->outputs = (uint8_t)outputs;
        command->kind = COMMAND_OUTPUTS;
        return;
    }
    if (bodyLength != 4)
        return;
    switch (type) {
    case '?':
        command->kind = COMMAND_HELLO;
        break;
    case 'Q':
        command->kind = COMMAND_QUERY;
        break;
    case 'H':
        command->kind = COMMAND_HEARTBEAT;
        break;
    default:
        break;
    }
}

bool reader_feed(LineReader *reader, uint8_t byte, Command *command)
{
    if (byte == '\n') {
        bool wasOverlong = reader->overlong;
        uint8_t length = reader->length;
        reader_init(reader);   /* the text stays; only its length is reset */
        if (wasOverlong) {
            command->kind = COMMAND_BAD_FORMAT;
            command->seq = 0;
            return true;
        }
        if (length > 0 && reader->text[length - 1] == '\r')
            --length;
        if (length == 0)
            return false;   /* an empty line carries nothing to refuse */
        parse_line(reader->text, length, command);
        return true;
    }
    if (reader->overlong)
        return false;
    /* Room for the body, '*', checksum and a carriage return: the line feed
     * itself is never stored. */
    if (reader->length >= LINE_MAX) {
        reader->overlong = true;
        return false;
    }
    reader->text[reader->length++] = (char)byte;
    return false;
}
