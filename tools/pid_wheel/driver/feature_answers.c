/* Feature reads answered from the table the install tool computed from the
 * descriptor (effect pool, Block Load...), and the device-managed effect
 * pool: each Create New Effect makes the next Block Load carry the next
 * effect block index, 1, 2, ... 40 and round again. */
#include "wheel_device.h"

/* The answer recorded for `reportId`: its bytes, report ID first. */
static const UCHAR* find_answer(const pidw_config* config, UCHAR reportId, ULONG* length) {
    ULONG at = 0;
    while (at + 2 <= config->featureAnswersBytes) {
        ULONG n = config->featureAnswers[at] | (ULONG)config->featureAnswers[at + 1] << 8;
        at += 2;
        if (n > config->featureAnswersBytes - at)
            break; /* a truncated record ends the table */
        if (n >= 1 && config->featureAnswers[at] == reportId) {
            *length = n;
            return config->featureAnswers + at;
        }
        at += n;
    }
    return NULL;
}

NTSTATUS pidw_answer_feature(pidw_device* device, PIDW_HID_XFER_PACKET* packet, ULONG* written) {
    const pidw_config* config = device->config;
    ULONG length = 0;
    const UCHAR* answer = find_answer(config, packet->reportId, &length);
    *written = 0;
    if (!answer)
        return STATUS_INVALID_PARAMETER;
    UCHAR report[PIDW_MAX_FEATURE_BYTES];
    memcpy(report, answer, length);
    if (config->blockLoadReportId && packet->reportId == config->blockLoadReportId &&
        config->blockIndexByte < length) {
        KIRQL irql;
        KeAcquireSpinLock(&device->lock, &irql);
        report[config->blockIndexByte] = (UCHAR)device->nextBlockIndex;
        KeReleaseSpinLock(&device->lock, irql);
    }
    /* Without report IDs hidclass's buffer starts after the (0) ID byte. */
    ULONG skip = packet->reportId == 0 ? 1 : 0;
    ULONG n = length - skip;
    if (n > packet->reportBufferLen)
        return STATUS_BUFFER_TOO_SMALL;
    memcpy(packet->reportBuffer, report + skip, n);
    *written = n;
    pidw_log_report(device, "getfeature", packet->reportId, packet->reportBuffer, n);
    return STATUS_SUCCESS;
}

void pidw_note_feature_set(pidw_device* device, UCHAR reportId) {
    const pidw_config* config = device->config;
    if (!config->createEffectReportId || reportId != config->createEffectReportId)
        return;
    KIRQL irql;
    KeAcquireSpinLock(&device->lock, &irql);
    device->nextBlockIndex = device->nextBlockIndex % PIDW_MAX_EFFECT_BLOCKS + 1;
    KeReleaseSpinLock(&device->lock, irql);
}
