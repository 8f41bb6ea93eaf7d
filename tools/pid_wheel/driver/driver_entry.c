/* The Gripline PID wheel: a HID minidriver on a root-enumerated device, so
 * that Wine's own HID stack (hidclass, hidparse, the builtin dinput8 with
 * its PID force feedback) drives a wheel that exists nowhere else. It
 * answers hidclass with the descriptor and strings the install tool wrote,
 * logs every output and feature report it receives, answers feature reads
 * from a table and plays scripted input. A test device; never shipped. */
#include "wheel_device.h"

static pidw_device* device_of(DEVICE_OBJECT* fdo) {
    PIDW_HID_DEVICE_EXTENSION* ext = fdo->DeviceExtension;
    return ext->MiniDeviceExtension;
}

static DEVICE_OBJECT* lower_of(DEVICE_OBJECT* fdo) {
    PIDW_HID_DEVICE_EXTENSION* ext = fdo->DeviceExtension;
    return ext->NextDeviceObject;
}

static NTSTATUS start_device(pidw_device* device) {
    if (device->started)
        return STATUS_SUCCESS;
    device->config = ExAllocatePoolWithTag(NonPagedPool, sizeof(*device->config), PIDW_POOL_TAG);
    if (!device->config)
        return STATUS_NO_MEMORY;
    memset(device->config, 0, sizeof(*device->config));
    NTSTATUS status = pidw_read_config(device->pdo, device->config);
    if (NT_SUCCESS(status))
        status =
            pidw_open_file(device->config->logFile, FILE_APPEND_DATA, FILE_OPEN_IF, &device->log);
    if (NT_SUCCESS(status)) {
        LARGE_INTEGER frequency;
        KeQueryPerformanceCounter(&frequency);
        device->qpcFrequency = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
        device->nextBlockIndex = 0;
        device->removed = FALSE;
        status = pidw_start_input(device);
    }
    if (!NT_SUCCESS(status)) {
        if (device->log)
            ZwClose(device->log);
        device->log = NULL;
        ExFreePoolWithTag(device->config, PIDW_POOL_TAG);
        device->config = NULL;
        return status;
    }
    KIRQL irql;
    KeAcquireSpinLock(&device->lock, &irql);
    device->started = TRUE;
    KeReleaseSpinLock(&device->lock, irql);
    pidw_log_event(device, "started");
    return STATUS_SUCCESS;
}

/* Surprise removal, then removal: the first stops the input thread, fails
 * the reads still pending and closes the log; the configuration stays
 * until removal, a request already past its check may still read it. */
static void stop_device(pidw_device* device) {
    KIRQL irql;
    KeAcquireSpinLock(&device->lock, &irql);
    BOOLEAN wasStarted = device->started && !device->removed;
    device->removed = TRUE;
    KeReleaseSpinLock(&device->lock, irql);
    if (!wasStarted)
        return;
    pidw_stop_input(device);
    pidw_fail_pending_reads(device, STATUS_DELETE_PENDING);
    pidw_log_event(device, "removed");
    HANDLE log = device->log;
    device->log = NULL;
    if (log)
        ZwClose(log);
}

static NTSTATUS NTAPI dispatch_pnp(DEVICE_OBJECT* fdo, IRP* irp) {
    pidw_device* device = device_of(fdo);
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE: {
        NTSTATUS status = start_device(device);
        if (!NT_SUCCESS(status)) {
            irp->IoStatus.Status = status;
            IoCompleteRequest(irp, IO_NO_INCREMENT);
            return status;
        }
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    }
    case IRP_MN_SURPRISE_REMOVAL:
        stop_device(device);
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    case IRP_MN_REMOVE_DEVICE:
        stop_device(device);
        if (device->config)
            ExFreePoolWithTag(device->config, PIDW_POOL_TAG);
        device->config = NULL;
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_STOP_DEVICE:
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    default:
        break;
    }
    /* hidclass deletes the FDO itself after removal; the root device below
     * completes what is left. */
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(lower_of(fdo), irp);
}

static NTSTATUS NTAPI dispatch_power(DEVICE_OBJECT* fdo, IRP* irp) {
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(lower_of(fdo), irp);
}

static NTSTATUS answer_string(const pidw_config* config, IRP* irp, ULONG capacity) {
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    ULONG id = (ULONG)(ULONG_PTR)stack->Parameters.DeviceIoControl.Type3InputBuffer & 0xffff;
    const WCHAR* text = NULL;
    if (id == PIDW_HID_STRING_ID_IPRODUCT || id == PIDW_WINE_STRING_ID_IPRODUCT)
        text = config->product;
    else if (id == PIDW_HID_STRING_ID_IMANUFACTURER || id == PIDW_WINE_STRING_ID_IMANUFACTURER)
        text = config->manufacturer;
    else if (id == PIDW_HID_STRING_ID_ISERIALNUMBER || id == PIDW_WINE_STRING_ID_ISERIALNUMBER)
        text = config->serial;
    if (!text || !text[0])
        return STATUS_NOT_SUPPORTED;
    ULONG chars = 0;
    while (text[chars])
        ++chars;
    ULONG bytes = (chars + 1) * sizeof(WCHAR);
    if (!irp->UserBuffer || capacity < bytes)
        return STATUS_BUFFER_TOO_SMALL;
    memcpy(irp->UserBuffer, text, bytes);
    irp->IoStatus.Information = bytes;
    return STATUS_SUCCESS;
}

static NTSTATUS answer_descriptor(const pidw_config* config, IRP* irp, ULONG capacity) {
    PIDW_HID_DESCRIPTOR* out = irp->UserBuffer;
    if (!out || capacity < sizeof(*out))
        return STATUS_BUFFER_TOO_SMALL;
    memset(out, 0, sizeof(*out));
    out->bLength = sizeof(*out);
    out->bDescriptorType = PIDW_HID_HID_DESCRIPTOR_TYPE;
    out->bcdHID = 0x0111;
    out->bNumDescriptors = 1;
    out->bReportType = PIDW_HID_REPORT_DESCRIPTOR_TYPE;
    out->wReportLength = (USHORT)config->descriptorBytes;
    irp->IoStatus.Information = sizeof(*out);
    return STATUS_SUCCESS;
}

static NTSTATUS answer_attributes(const pidw_config* config, IRP* irp, ULONG capacity) {
    PIDW_HID_DEVICE_ATTRIBUTES* out = irp->UserBuffer;
    if (!out || capacity < sizeof(*out))
        return STATUS_BUFFER_TOO_SMALL;
    memset(out, 0, sizeof(*out));
    out->Size = sizeof(*out);
    out->VendorID = (USHORT)config->vendorId;
    out->ProductID = (USHORT)config->productId;
    out->VersionNumber = (USHORT)config->versionNumber;
    irp->IoStatus.Information = sizeof(*out);
    return STATUS_SUCCESS;
}

/* The report hidclass hands over with SET_FEATURE, SET_OUTPUT_REPORT and
 * WRITE_REPORT, logged as it came. */
static NTSTATUS take_report(pidw_device* device, IRP* irp, const char* kind) {
    PIDW_HID_XFER_PACKET* packet = irp->UserBuffer;
    if (!packet || !packet->reportBuffer)
        return STATUS_INVALID_PARAMETER;
    pidw_log_report(device, kind, packet->reportId, packet->reportBuffer, packet->reportBufferLen);
    irp->IoStatus.Information = packet->reportBufferLen;
    return STATUS_SUCCESS;
}

static NTSTATUS answer_input(pidw_device* device, IRP* irp) {
    PIDW_HID_XFER_PACKET* packet = irp->UserBuffer;
    if (!packet || !packet->reportBuffer)
        return STATUS_INVALID_PARAMETER;
    if (packet->reportId != device->config->inputReportId)
        return STATUS_INVALID_PARAMETER;
    ULONG n = pidw_copy_input_report(device, packet->reportBuffer, packet->reportBufferLen);
    pidw_log_report(device, "getinput", packet->reportId, packet->reportBuffer, n);
    irp->IoStatus.Information = n;
    return STATUS_SUCCESS;
}

static NTSTATUS handle_ioctl(pidw_device* device, IRP* irp, ULONG code, ULONG outBytes) {
    const pidw_config* config = device->config;
    switch (code) {
    case PIDW_IOCTL_HID_GET_DEVICE_DESCRIPTOR:
        return answer_descriptor(config, irp, outBytes);
    case PIDW_IOCTL_HID_GET_REPORT_DESCRIPTOR:
        if (!irp->UserBuffer || outBytes < config->descriptorBytes)
            return STATUS_BUFFER_TOO_SMALL;
        memcpy(irp->UserBuffer, config->descriptor, config->descriptorBytes);
        irp->IoStatus.Information = config->descriptorBytes;
        return STATUS_SUCCESS;
    case PIDW_IOCTL_HID_GET_DEVICE_ATTRIBUTES:
        return answer_attributes(config, irp, outBytes);
    case PIDW_IOCTL_HID_GET_STRING:
        return answer_string(config, irp, outBytes);
    case PIDW_IOCTL_HID_WRITE_REPORT:
        return take_report(device, irp, "write");
    case PIDW_IOCTL_HID_SET_OUTPUT_REPORT:
        return take_report(device, irp, "setoutput");
    case PIDW_IOCTL_HID_SET_FEATURE: {
        NTSTATUS status = take_report(device, irp, "setfeature");
        if (NT_SUCCESS(status))
            pidw_note_feature_set(device, ((PIDW_HID_XFER_PACKET*)irp->UserBuffer)->reportId);
        return status;
    }
    case PIDW_IOCTL_HID_GET_FEATURE: {
        PIDW_HID_XFER_PACKET* packet = irp->UserBuffer;
        ULONG written = 0;
        if (!packet || !packet->reportBuffer)
            return STATUS_INVALID_PARAMETER;
        NTSTATUS status = pidw_answer_feature(device, packet, &written);
        irp->IoStatus.Information = written;
        return status;
    }
    case PIDW_IOCTL_HID_GET_INPUT_REPORT:
        return answer_input(device, irp);
    case PIDW_IOCTL_HID_ACTIVATE_DEVICE:
    case PIDW_IOCTL_HID_DEACTIVATE_DEVICE:
        return STATUS_SUCCESS;
    default:
        return STATUS_NOT_SUPPORTED;
    }
}

static NTSTATUS NTAPI dispatch_internal_ioctl(DEVICE_OBJECT* fdo, IRP* irp) {
    pidw_device* device = device_of(fdo);
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    KIRQL irql;
    KeAcquireSpinLock(&device->lock, &irql);
    BOOLEAN usable = device->started && !device->removed;
    KeReleaseSpinLock(&device->lock, irql);
    NTSTATUS status;
    irp->IoStatus.Information = 0;
    if (!usable)
        status = STATUS_DELETE_PENDING;
    else if (code == PIDW_IOCTL_HID_READ_REPORT)
        return pidw_queue_read(device, irp);
    else
        status =
            handle_ioctl(device, irp, code, stack->Parameters.DeviceIoControl.OutputBufferLength);
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI add_device(DRIVER_OBJECT* driver, DEVICE_OBJECT* fdo) {
    (void)driver;
    PIDW_HID_DEVICE_EXTENSION* ext = fdo->DeviceExtension;
    pidw_device* device = ext->MiniDeviceExtension;
    memset(device, 0, sizeof(*device));
    device->pdo = ext->PhysicalDeviceObject;
    KeInitializeSpinLock(&device->lock);
    KeInitializeEvent(&device->wake, SynchronizationEvent, FALSE);
    fdo->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static void NTAPI driver_unload(DRIVER_OBJECT* driver) {
    (void)driver;
}

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT* driver, UNICODE_STRING* registryPath) {
    driver->MajorFunction[IRP_MJ_PNP] = dispatch_pnp;
    driver->MajorFunction[IRP_MJ_POWER] = dispatch_power;
    driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = dispatch_internal_ioctl;
    driver->DriverExtension->AddDevice = add_device;
    driver->DriverUnload = driver_unload;
    PIDW_HID_MINIDRIVER_REGISTRATION registration;
    memset(&registration, 0, sizeof(registration));
    registration.Revision = PIDW_HID_REVISION;
    registration.DriverObject = driver;
    registration.RegistryPath = registryPath;
    registration.DeviceExtensionSize = sizeof(pidw_device);
    /* Not polled: hidclass keeps a read pending and the input thread
     * answers it (see input_thread.c). */
    registration.DevicesArePolled = FALSE;
    return HidRegisterMinidriver(&registration);
}
