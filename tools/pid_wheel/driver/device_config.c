/* Reading the device's configuration: the values the install tool wrote
 * under the device's own key ("Device Parameters" of
 * HKLM\System\CurrentControlSet\Enum\ROOT\GRIPLINE_PID_WHEEL\0000, which
 * Wine's IoOpenDeviceRegistryKey(PLUGPLAY_REGKEY_DEVICE) opens, as Windows'
 * does), and the files they name. */
#include "wheel_device.h"

static BOOLEAN query_value(HANDLE key, const WCHAR* name, ULONG type, void* out, ULONG capacity,
                           ULONG* bytes) {
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name);
    /* Enough for the longest value we read (the feature answers). */
    ULONG infoBytes = sizeof(KEY_VALUE_PARTIAL_INFORMATION) + PIDW_MAX_FEATURE_BYTES;
    KEY_VALUE_PARTIAL_INFORMATION* info =
        ExAllocatePoolWithTag(PagedPool, infoBytes, PIDW_POOL_TAG);
    if (!info)
        return FALSE;
    ULONG resultBytes = 0;
    NTSTATUS status =
        ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, info, infoBytes, &resultBytes);
    BOOLEAN ok = NT_SUCCESS(status) && info->Type == type && info->DataLength <= capacity;
    if (ok) {
        memcpy(out, info->Data, info->DataLength);
        if (bytes)
            *bytes = info->DataLength;
    }
    ExFreePoolWithTag(info, PIDW_POOL_TAG);
    return ok;
}

static void query_dword(HANDLE key, const WCHAR* name, ULONG* out, ULONG fallback) {
    if (!query_value(key, name, REG_DWORD, out, sizeof(*out), NULL))
        *out = fallback;
}

/* A REG_SZ into a fixed array, always terminated; empty when absent. */
static void query_string(HANDLE key, const WCHAR* name, WCHAR* out, ULONG chars) {
    ULONG bytes = 0;
    if (!query_value(key, name, REG_SZ, out, (chars - 1) * sizeof(WCHAR), &bytes))
        bytes = 0;
    out[bytes / sizeof(WCHAR)] = 0;
}

/* The input layout must fit the report: a wrong registry must not make the
 * driver write outside its report buffer. */
static BOOLEAN layout_fits(const pidw_config* c) {
    ULONG bits = c->inputReportBytes * 8;
    return c->inputReportBytes >= 2 && c->inputReportBytes <= PIDW_MAX_INPUT_BYTES &&
           c->inputReportId <= 255 && c->axisBits <= 32 && c->axisBitOffset <= bits &&
           c->axisBits <= bits - c->axisBitOffset && c->buttonCount <= 32 &&
           c->buttonBitOffset <= bits && c->buttonCount <= bits - c->buttonBitOffset &&
           c->axisMinimum <= c->axisMaximum && c->blockIndexByte < 256;
}

NTSTATUS pidw_read_config(DEVICE_OBJECT* pdo, pidw_config* config) {
    HANDLE key = NULL;
    NTSTATUS status = IoOpenDeviceRegistryKey(pdo, PLUGPLAY_REGKEY_DEVICE, KEY_READ, &key);
    if (!NT_SUCCESS(status))
        return status;
    query_string(key, L"DescriptorFile", config->descriptorFile, PIDW_MAX_PATH_CHARS);
    query_string(key, L"LogFile", config->logFile, PIDW_MAX_PATH_CHARS);
    query_string(key, L"ScriptFile", config->scriptFile, PIDW_MAX_PATH_CHARS);
    query_dword(key, L"VendorId", &config->vendorId, 0x1209);
    query_dword(key, L"ProductId", &config->productId, 0xFFB0);
    query_dword(key, L"VersionNumber", &config->versionNumber, 0x0100);
    query_string(key, L"ProductString", config->product, PIDW_MAX_STRING_CHARS + 1);
    query_string(key, L"ManufacturerString", config->manufacturer, PIDW_MAX_STRING_CHARS + 1);
    query_string(key, L"SerialString", config->serial, PIDW_MAX_STRING_CHARS + 1);
    query_dword(key, L"InputReportId", &config->inputReportId, 0);
    query_dword(key, L"InputReportBytes", &config->inputReportBytes, 0);
    query_dword(key, L"AxisBitOffset", &config->axisBitOffset, 0);
    query_dword(key, L"AxisBits", &config->axisBits, 0);
    query_dword(key, L"AxisMinimum", (ULONG*)&config->axisMinimum, 0);
    query_dword(key, L"AxisMaximum", (ULONG*)&config->axisMaximum, 0);
    query_dword(key, L"ButtonBitOffset", &config->buttonBitOffset, 0);
    query_dword(key, L"ButtonCount", &config->buttonCount, 0);
    if (!query_value(key, L"FeatureAnswers", REG_BINARY, config->featureAnswers,
                     sizeof(config->featureAnswers), &config->featureAnswersBytes))
        config->featureAnswersBytes = 0;
    query_dword(key, L"CreateEffectReportId", &config->createEffectReportId, 0);
    query_dword(key, L"BlockLoadReportId", &config->blockLoadReportId, 0);
    query_dword(key, L"BlockIndexByte", &config->blockIndexByte, 0);
    ZwClose(key);

    if (!config->descriptorFile[0] || !config->logFile[0] || !layout_fits(config))
        return STATUS_INVALID_PARAMETER;
    status = pidw_read_file(config->descriptorFile, config->descriptor, sizeof(config->descriptor),
                            &config->descriptorBytes);
    if (NT_SUCCESS(status) && config->descriptorBytes == 0)
        status = STATUS_INVALID_PARAMETER;
    return status;
}

/* "C:\x\y" as the NT path "\??\C:\x\y". */
NTSTATUS pidw_open_file(const WCHAR* dosPath, ACCESS_MASK access, ULONG disposition, HANDLE* file) {
    WCHAR ntPath[PIDW_MAX_PATH_CHARS + 8] = L"\\??\\";
    ULONG n = 4;
    for (ULONG i = 0; dosPath[i] && n + 1 < sizeof(ntPath) / sizeof(ntPath[0]); ++i)
        ntPath[n++] = dosPath[i];
    ntPath[n] = 0;
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, ntPath);
    OBJECT_ATTRIBUTES attributes;
    /* A kernel handle: the input thread uses it as well as the dispatch threads. */
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    IO_STATUS_BLOCK io;
    return ZwCreateFile(file, access | SYNCHRONIZE, &attributes, &io, NULL, FILE_ATTRIBUTE_NORMAL,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, disposition,
                        FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, NULL, 0);
}

/* A whole small file; STATUS_BUFFER_OVERFLOW when it does not fit. */
NTSTATUS pidw_read_file(const WCHAR* dosPath, UCHAR* buffer, ULONG capacity, ULONG* bytes) {
    HANDLE file;
    *bytes = 0;
    NTSTATUS status = pidw_open_file(dosPath, GENERIC_READ, FILE_OPEN, &file);
    if (!NT_SUCCESS(status))
        return status;
    ULONG total = 0;
    for (;;) {
        IO_STATUS_BLOCK io;
        if (total == capacity) {
            UCHAR probe;
            status = ZwReadFile(file, NULL, NULL, NULL, &io, &probe, 1, NULL, NULL);
            status =
                (NT_SUCCESS(status) && io.Information) ? STATUS_BUFFER_OVERFLOW : STATUS_SUCCESS;
            break;
        }
        status =
            ZwReadFile(file, NULL, NULL, NULL, &io, buffer + total, capacity - total, NULL, NULL);
        if (status == STATUS_END_OF_FILE || (NT_SUCCESS(status) && io.Information == 0)) {
            status = STATUS_SUCCESS;
            break;
        }
        if (!NT_SUCCESS(status))
            break;
        total += (ULONG)io.Information;
    }
    ZwClose(file);
    *bytes = total;
    return status;
}
