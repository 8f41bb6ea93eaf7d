/* The scripted input, as the virtual wheel's button script: lines
 * "<at_us> <button> <hold_ms>" hold a button (1..32) down from at_us for
 * hold_ms, lines "<at_us> axis <value>" move the axis to a logical value
 * from at_us on, both on the log's clock. Malformed lines are skipped. Tests
 * append to the file while programs run, so it is read again whenever its
 * size or write time changed, looked at every 100 ms. */
#include "wheel_device.h"

#define PIDW_SCRIPT_CHECK_US 100000

static BOOLEAN is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

/* The next whitespace-separated field as a whole number; FALSE if it is
 * missing, not a number, or does not end at a blank or the line's end. */
static BOOLEAN next_number(const char** at, const char* end, LONGLONG* value) {
    const char* p = *at;
    while (p < end && is_blank(*p))
        ++p;
    BOOLEAN negative = FALSE;
    if (p < end && (*p == '-' || *p == '+'))
        negative = *p++ == '-';
    if (p == end || *p < '0' || *p > '9')
        return FALSE;
    unsigned long long v = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        if (v > 100000000000000000ull)
            return FALSE; /* beyond any time or value we use */
        v = v * 10 + (unsigned)(*p++ - '0');
    }
    if (p < end && !is_blank(*p))
        return FALSE;
    *value = negative ? -(LONGLONG)v : (LONGLONG)v;
    *at = p;
    return TRUE;
}

static BOOLEAN next_word(const char** at, const char* end, const char* word) {
    const char* p = *at;
    while (p < end && is_blank(*p))
        ++p;
    for (; *word; ++word, ++p)
        if (p == end || *p != *word)
            return FALSE;
    if (p < end && !is_blank(*p))
        return FALSE;
    *at = p;
    return TRUE;
}

static BOOLEAN rest_is_blank(const char* p, const char* end) {
    while (p < end && is_blank(*p))
        ++p;
    return p == end;
}

static BOOLEAN parse_line(const char* p, const char* end, const pidw_config* config,
                          pidw_script_entry* entry) {
    LONGLONG at, second, third;
    if (!next_number(&p, end, &at))
        return FALSE;
    if (next_word(&p, end, "axis")) {
        if (!next_number(&p, end, &second) || !rest_is_blank(p, end))
            return FALSE;
        if (second < config->axisMinimum)
            second = config->axisMinimum;
        if (second > config->axisMaximum)
            second = config->axisMaximum;
        entry->atUs = at;
        entry->value = (LONG)second;
        entry->isAxis = TRUE;
        return TRUE;
    }
    if (!next_number(&p, end, &second) || !next_number(&p, end, &third) || !rest_is_blank(p, end))
        return FALSE;
    if (second < 1 || second > 32 || second > (LONGLONG)config->buttonCount || third < 0)
        return FALSE;
    entry->atUs = at;
    entry->untilUs = at + third * 1000;
    entry->value = (LONG)second;
    entry->isAxis = FALSE;
    return TRUE;
}

static void parse_script(pidw_script* script, const pidw_config* config, ULONG bytes) {
    script->count = 0;
    const char *p = script->text, *end = script->text + bytes;
    while (p < end && script->count < PIDW_MAX_SCRIPT_ENTRIES) {
        const char* lineEnd = p;
        while (lineEnd < end && *lineEnd != '\n')
            ++lineEnd;
        if (parse_line(p, lineEnd, config, &script->entries[script->count]))
            ++script->count;
        p = lineEnd < end ? lineEnd + 1 : end;
    }
}

void pidw_script_refresh(pidw_script* script, const pidw_config* config, LONGLONG nowUs) {
    if (!config->scriptFile[0] || nowUs < script->nextCheckUs)
        return;
    script->nextCheckUs = nowUs + PIDW_SCRIPT_CHECK_US;
    HANDLE file;
    LONGLONG size = -1;
    LARGE_INTEGER written = {0};
    if (NT_SUCCESS(pidw_open_file(config->scriptFile, FILE_READ_ATTRIBUTES, FILE_OPEN, &file))) {
        IO_STATUS_BLOCK io;
        FILE_STANDARD_INFORMATION standard;
        FILE_BASIC_INFORMATION basic;
        if (NT_SUCCESS(ZwQueryInformationFile(file, &io, &standard, sizeof(standard),
                                              FileStandardInformation)))
            size = standard.EndOfFile.QuadPart;
        if (NT_SUCCESS(
                ZwQueryInformationFile(file, &io, &basic, sizeof(basic), FileBasicInformation)))
            written = basic.LastWriteTime;
        ZwClose(file);
    }
    if (size == script->fileBytes && written.QuadPart == script->fileWriteTime.QuadPart)
        return;
    ULONG bytes = 0;
    if (size < 0 || !NT_SUCCESS(pidw_read_file(config->scriptFile, (UCHAR*)script->text,
                                               sizeof(script->text), &bytes)))
        bytes = 0; /* missing (or too long): no scripted input */
    parse_script(script, config, bytes);
    script->fileBytes = size;
    script->fileWriteTime = written;
}

/* The buttons held down and the axis at `nowUs`, and when that next changes
 * (MAXLONGLONG: never, as far as the script says now). */
void pidw_script_state(const pidw_script* script, const pidw_config* config, LONGLONG nowUs,
                       ULONG* buttons, LONG* axis, LONGLONG* nextChangeUs) {
    LONGLONG axisSince = MINLONGLONG;
    *buttons = 0;
    /* The axis rests at the centre of its logical range. */
    *axis = (LONG)(((LONGLONG)config->axisMinimum + config->axisMaximum) / 2);
    *nextChangeUs = MAXLONGLONG;
    for (ULONG i = 0; i < script->count; ++i) {
        const pidw_script_entry* e = &script->entries[i];
        if (e->atUs > nowUs) {
            if (e->atUs < *nextChangeUs)
                *nextChangeUs = e->atUs;
            continue;
        }
        if (e->isAxis) {
            if (e->atUs >= axisSince) { /* the latest move wins; a later line on a tie */
                axisSince = e->atUs;
                *axis = e->value;
            }
        } else if (nowUs < e->untilUs) {
            *buttons |= 1ul << (e->value - 1);
            if (e->untilUs < *nextChangeUs)
                *nextChangeUs = e->untilUs;
        }
    }
}

static void put_bits(UCHAR* report, ULONG bitOffset, ULONG bits, ULONG value) {
    for (ULONG i = 0; i < bits; ++i) {
        ULONG bit = bitOffset + i;
        if (value >> i & 1)
            report[bit / 8] |= (UCHAR)(1u << (bit % 8));
        else
            report[bit / 8] &= (UCHAR) ~(1u << (bit % 8));
    }
}

/* The whole input report, its ID byte first (0 when the descriptor has no
 * IDs). The layout was checked against the report's length at start. */
void pidw_build_input_report(const pidw_config* config, ULONG buttons, LONG axis, UCHAR* report) {
    memset(report, 0, config->inputReportBytes);
    report[0] = (UCHAR)config->inputReportId;
    put_bits(report, config->buttonBitOffset, config->buttonCount, buttons);
    /* Two's complement, cut to the field's width, as HID reads it back. */
    put_bits(report, config->axisBitOffset, config->axisBits, (ULONG)axis);
}
