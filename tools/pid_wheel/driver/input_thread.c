/* Input in hidclass's non-polled mode: hidclass keeps one
 * IOCTL_HID_READ_REPORT pending and a system thread of ours completes it
 * with the wheel's input report at once when the scripted state changes,
 * and at least every 10 ms otherwise. Completing a read at once would make
 * hidclass spin (it sends the next straight away); never completing one
 * would hang device removal, since Wine's hidclass waits for its reading
 * thread, which only looks at its halt event between two reads. */
#include "wheel_device.h"

#define PIDW_REPORT_EVERY_US 10000

/* Copies the report as hidclass expects it: without the ID byte when the
 * descriptor declares no report IDs. */
static ULONG copy_report(const pidw_config* config, const UCHAR* report, UCHAR* out,
                         ULONG capacity) {
    ULONG skip = config->inputReportId == 0 ? 1 : 0;
    ULONG n = config->inputReportBytes - skip;
    if (n > capacity)
        n = capacity;
    memcpy(out, report + skip, n);
    return n;
}

ULONG pidw_copy_input_report(pidw_device* device, UCHAR* out, ULONG capacity) {
    KIRQL irql;
    KeAcquireSpinLock(&device->lock, &irql);
    ULONG n = copy_report(device->config, device->inputReport, out, capacity);
    KeReleaseSpinLock(&device->lock, irql);
    return n;
}

static IRP* pop_pending_read(pidw_device* device) {
    IRP* irp = NULL;
    KIRQL irql;
    KeAcquireSpinLock(&device->lock, &irql);
    if (device->pendingCount) {
        irp = device->pendingReads[0];
        for (ULONG i = 1; i < device->pendingCount; ++i)
            device->pendingReads[i - 1] = device->pendingReads[i];
        --device->pendingCount;
    }
    KeReleaseSpinLock(&device->lock, irql);
    return irp;
}

static void complete_read(pidw_device* device, IRP* irp, const UCHAR* report) {
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    ULONG capacity = stack->Parameters.DeviceIoControl.OutputBufferLength;
    irp->IoStatus.Information = copy_report(device->config, report, irp->UserBuffer, capacity);
    irp->IoStatus.Status = STATUS_SUCCESS;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

static void publish_report(pidw_device* device, const UCHAR* report) {
    KIRQL irql;
    KeAcquireSpinLock(&device->lock, &irql);
    memcpy(device->inputReport, report, device->config->inputReportBytes);
    KeReleaseSpinLock(&device->lock, irql);
}

static void NTAPI input_thread(void* context) {
    pidw_device* device = context;
    const pidw_config* config = device->config;
    UCHAR report[PIDW_MAX_INPUT_BYTES], sent[PIDW_MAX_INPUT_BYTES];
    LONGLONG sentUs = MINLONGLONG / 2;
    memset(sent, 0, sizeof(sent));
    while (!device->stopThread) {
        LONGLONG now = pidw_now_us(device);
        pidw_script_refresh(device->script, config, now);
        ULONG buttons;
        LONG axis;
        LONGLONG nextChange;
        pidw_script_state(device->script, config, now, &buttons, &axis, &nextChange);
        pidw_build_input_report(config, buttons, axis, report);
        BOOLEAN changed = memcmp(report, sent, config->inputReportBytes) != 0;
        if (changed)
            publish_report(device, report);
        if (changed || now - sentUs >= PIDW_REPORT_EVERY_US) {
            IRP* irp = pop_pending_read(device);
            if (irp) {
                complete_read(device, irp, report);
                memcpy(sent, report, config->inputReportBytes);
                sentUs = now;
            }
        }
        /* Sleep until the next report is due or the script changes the
         * state, whichever is first; a new read or the stop request wakes
         * it sooner. The script file is looked at on its own 100 ms beat. */
        LONGLONG wakeUs = sentUs + PIDW_REPORT_EVERY_US;
        if (nextChange < wakeUs)
            wakeUs = nextChange;
        LONGLONG waitUs = wakeUs - now;
        if (waitUs < 500)
            waitUs = 500;
        if (waitUs > PIDW_REPORT_EVERY_US)
            waitUs = PIDW_REPORT_EVERY_US;
        LARGE_INTEGER timeout;
        timeout.QuadPart = -waitUs * 10; /* relative, in 100 ns */
        KeWaitForSingleObject(&device->wake, Executive, KernelMode, FALSE, &timeout);
    }
    PsTerminateSystemThread(STATUS_SUCCESS);
}

NTSTATUS pidw_start_input(pidw_device* device) {
    device->script = ExAllocatePoolWithTag(NonPagedPool, sizeof(*device->script), PIDW_POOL_TAG);
    if (!device->script)
        return STATUS_NO_MEMORY;
    memset(device->script, 0, sizeof(*device->script) - sizeof(device->script->text));
    device->script->fileBytes = -2; /* never seen: the first look reads it */
    ULONG buttons;
    LONG axis;
    LONGLONG next;
    pidw_script_state(device->script, device->config, 0, &buttons, &axis, &next);
    pidw_build_input_report(device->config, buttons, axis, device->inputReport);
    device->stopThread = 0;
    NTSTATUS status = PsCreateSystemThread(&device->thread, THREAD_ALL_ACCESS, NULL, NULL, NULL,
                                           input_thread, device);
    if (!NT_SUCCESS(status)) {
        device->thread = NULL;
        ExFreePoolWithTag(device->script, PIDW_POOL_TAG);
        device->script = NULL;
    }
    return status;
}

void pidw_stop_input(pidw_device* device) {
    if (device->thread) {
        InterlockedExchange(&device->stopThread, 1);
        KeSetEvent(&device->wake, IO_NO_INCREMENT, FALSE);
        ZwWaitForSingleObject(device->thread, FALSE, NULL);
        ZwClose(device->thread);
        device->thread = NULL;
    }
    if (device->script) {
        ExFreePoolWithTag(device->script, PIDW_POOL_TAG);
        device->script = NULL;
    }
}

/* Keeps a read until the input thread has a report for it; refused once
 * the device is going away. */
NTSTATUS pidw_queue_read(pidw_device* device, IRP* irp) {
    KIRQL irql;
    NTSTATUS status = STATUS_PENDING;
    KeAcquireSpinLock(&device->lock, &irql);
    if (device->removed || !device->started)
        status = STATUS_DELETE_PENDING;
    else if (device->pendingCount == sizeof(device->pendingReads) / sizeof(device->pendingReads[0]))
        status = STATUS_INSUFFICIENT_RESOURCES; /* hidclass keeps one: never seen */
    else {
        IoMarkIrpPending(irp);
        device->pendingReads[device->pendingCount++] = irp;
    }
    KeReleaseSpinLock(&device->lock, irql);
    if (status == STATUS_PENDING) {
        KeSetEvent(&device->wake, IO_NO_INCREMENT, FALSE);
        return STATUS_PENDING;
    }
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

void pidw_fail_pending_reads(pidw_device* device, NTSTATUS status) {
    IRP* irp;
    while ((irp = pop_pending_read(device))) {
        irp->IoStatus.Status = status;
        irp->IoStatus.Information = 0;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
    }
}
