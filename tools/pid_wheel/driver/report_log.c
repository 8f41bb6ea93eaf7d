/* The raw report log: one line per report, "<qpc_us> <kind> <hex>", written
 * with one ZwWriteFile each on a handle opened for appending, so another
 * process reading the file while it grows never sees half a line and the
 * driver never waits on more than one write. */
#include "wheel_device.h"

#define PIDW_MAX_LOGGED_REPORT 1024

/* The performance counter in microseconds, the clock QueryPerformanceCounter
 * gives the programs in other processes. Split so c * 1000000 cannot
 * overflow however long the machine has been up. */
LONGLONG pidw_now_us(const pidw_device* device) {
    LONGLONG f = device->qpcFrequency;
    LONGLONG c = KeQueryPerformanceCounter(NULL).QuadPart;
    return c / f * 1000000 + c % f * 1000000 / f;
}

static ULONG put_decimal(char* out, LONGLONG value) {
    char digits[24];
    ULONG n = 0, written = 0;
    unsigned long long v = value < 0 ? 0ull - (unsigned long long)value : (unsigned long long)value;
    do {
        digits[n++] = (char)('0' + v % 10);
        v /= 10;
    } while (v);
    if (value < 0)
        out[written++] = '-';
    while (n)
        out[written++] = digits[--n];
    return written;
}

static ULONG put_text(char* out, const char* text) {
    ULONG n = 0;
    while (text[n]) {
        out[n] = text[n];
        ++n;
    }
    return n;
}

static void write_line(pidw_device* device, const char* line, ULONG length) {
    if (!device->log)
        return;
    IO_STATUS_BLOCK io;
    ZwWriteFile(device->log, NULL, NULL, NULL, &io, (void*)line, length, NULL, NULL);
}

/* `bytes` as hidclass passed them; `reportId` 0 means the descriptor has no
 * report IDs and the 00 the report travels with is written first. */
void pidw_log_report(pidw_device* device, const char* kind, UCHAR reportId, const UCHAR* bytes,
                     ULONG length) {
    static const char hex[] = "0123456789abcdef";
    char line[48 + 2 * (PIDW_MAX_LOGGED_REPORT + 1)];
    ULONG n = put_decimal(line, pidw_now_us(device));
    line[n++] = ' ';
    n += put_text(line + n, kind);
    line[n++] = ' ';
    if (reportId == 0) {
        line[n++] = '0';
        line[n++] = '0';
    }
    if (length > PIDW_MAX_LOGGED_REPORT)
        length = PIDW_MAX_LOGGED_REPORT;
    for (ULONG i = 0; i < length; ++i) {
        line[n++] = hex[bytes[i] >> 4];
        line[n++] = hex[bytes[i] & 15];
    }
    line[n++] = '\n';
    write_line(device, line, n);
}

void pidw_log_event(pidw_device* device, const char* event) {
    char line[64];
    ULONG n = put_decimal(line, pidw_now_us(device));
    line[n++] = ' ';
    n += put_text(line + n, event);
    line[n++] = '\n';
    write_line(device, line, n);
}
