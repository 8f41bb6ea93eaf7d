/* The PID wheel minidriver's state, one per device (hidclass's
 * MiniDeviceExtension), and the functions its parts offer each other. */
#pragma once

#include "hid_minidriver.h"

#define PIDW_POOL_TAG 'wdiP'
#define PIDW_MAX_STRING_CHARS 127
#define PIDW_MAX_DESCRIPTOR_BYTES 4096
#define PIDW_MAX_FEATURE_BYTES 1024 /* all answers together, with their length words */
#define PIDW_MAX_INPUT_BYTES 64
#define PIDW_MAX_PATH_CHARS 300
#define PIDW_MAX_SCRIPT_ENTRIES 2048
#define PIDW_MAX_SCRIPT_BYTES (128 * 1024)
#define PIDW_MAX_EFFECT_BLOCKS 40

/* What the install tool wrote under the device's registry key; read once
 * at start. Owned by the device; read-only once started. */
typedef struct {
    WCHAR descriptorFile[PIDW_MAX_PATH_CHARS];
    WCHAR logFile[PIDW_MAX_PATH_CHARS];
    WCHAR scriptFile[PIDW_MAX_PATH_CHARS]; /* empty: no script */
    ULONG vendorId, productId, versionNumber;
    WCHAR product[PIDW_MAX_STRING_CHARS + 1];
    WCHAR manufacturer[PIDW_MAX_STRING_CHARS + 1];
    WCHAR serial[PIDW_MAX_STRING_CHARS + 1];
    ULONG inputReportId;
    ULONG inputReportBytes;        /* the report ID byte included, also when it is 0 */
    ULONG axisBitOffset, axisBits; /* bits from the report's first (ID) byte */
    LONG axisMinimum, axisMaximum; /* logical */
    ULONG buttonBitOffset, buttonCount;
    UCHAR featureAnswers[PIDW_MAX_FEATURE_BYTES]; /* [len lo, len hi, bytes...]... */
    ULONG featureAnswersBytes;
    ULONG createEffectReportId, blockLoadReportId, blockIndexByte;
    UCHAR descriptor[PIDW_MAX_DESCRIPTOR_BYTES];
    ULONG descriptorBytes;
} pidw_config;

typedef struct {
    LONGLONG atUs;    /* the log's clock */
    LONGLONG untilUs; /* a press: released at; an axis move: unused */
    LONG value;       /* a press: the button (1..32); an axis move: the logical value */
    BOOLEAN isAxis;
} pidw_script_entry;

/* The scripted input, owned by the input thread alone. */
typedef struct {
    pidw_script_entry entries[PIDW_MAX_SCRIPT_ENTRIES];
    ULONG count;
    LONGLONG fileBytes; /* the size last read, -1 when the file was missing */
    LARGE_INTEGER fileWriteTime;
    LONGLONG nextCheckUs;
    char text[PIDW_MAX_SCRIPT_BYTES]; /* the file's bytes while parsing */
} pidw_script;

typedef struct {
    DEVICE_OBJECT* pdo;  /* the root-enumerated device below hidclass's FDO */
    pidw_config* config; /* allocated at start, freed at removal */
    HANDLE log;          /* opened at start, closed at removal */
    LONGLONG qpcFrequency;

    KSPIN_LOCK lock;      /* guards the fields below */
    IRP* pendingReads[4]; /* IOCTL_HID_READ_REPORT waiting for the next input report */
    ULONG pendingCount;
    ULONG nextBlockIndex;                    /* 1..40: the index Block Load answers next */
    UCHAR inputReport[PIDW_MAX_INPUT_BYTES]; /* the state now, ID byte first */
    BOOLEAN started;
    BOOLEAN removed;

    /* The input thread: wakes on `wake` or every few milliseconds. */
    HANDLE thread;
    KEVENT wake;
    volatile LONG stopThread;
    pidw_script* script; /* the thread's own */
} pidw_device;

/* device_config.c */
NTSTATUS pidw_read_config(DEVICE_OBJECT* pdo, pidw_config* config);
NTSTATUS pidw_read_file(const WCHAR* dosPath, UCHAR* buffer, ULONG capacity, ULONG* bytes);
NTSTATUS pidw_open_file(const WCHAR* dosPath, ACCESS_MASK access, ULONG disposition, HANDLE* file);

/* report_log.c */
LONGLONG pidw_now_us(const pidw_device* device);
void pidw_log_report(pidw_device* device, const char* kind, UCHAR reportId, const UCHAR* bytes,
                     ULONG length);
void pidw_log_event(pidw_device* device, const char* event);

/* feature_answers.c */
NTSTATUS pidw_answer_feature(pidw_device* device, PIDW_HID_XFER_PACKET* packet, ULONG* written);
void pidw_note_feature_set(pidw_device* device, UCHAR reportId);

/* input_script.c */
void pidw_script_refresh(pidw_script* script, const pidw_config* config, LONGLONG nowUs);
void pidw_script_state(const pidw_script* script, const pidw_config* config, LONGLONG nowUs,
                       ULONG* buttons, LONG* axis, LONGLONG* nextChangeUs);
void pidw_build_input_report(const pidw_config* config, ULONG buttons, LONG axis, UCHAR* report);

/* input_thread.c */
NTSTATUS pidw_start_input(pidw_device* device);
void pidw_stop_input(pidw_device* device);
NTSTATUS pidw_queue_read(pidw_device* device, IRP* irp);
ULONG pidw_copy_input_report(pidw_device* device, UCHAR* out, ULONG capacity);
void pidw_fail_pending_reads(pidw_device* device, NTSTATUS status);
