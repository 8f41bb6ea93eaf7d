/* What a HID minidriver and hidclass.sys share: the registration record,
 * the device extension hidclass hands us, the transfer packet and the
 * internal IOCTL codes. mingw's ddk/hidclass.h numbers the IOCTL_HID_*
 * codes 0..5 (wrong) and there is no hidport.h, so they are defined here
 * from the documented HID_CTL_CODE numbers. */
#pragma once

#include <ddk/wdm.h>

#define PIDW_HID_CTL_CODE(id) CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_NEITHER, FILE_ANY_ACCESS)
#define PIDW_HID_IN_CTL_CODE(id)                                                                   \
    CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_IN_DIRECT, FILE_ANY_ACCESS)
#define PIDW_HID_OUT_CTL_CODE(id)                                                                  \
    CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_OUT_DIRECT, FILE_ANY_ACCESS)

#define PIDW_IOCTL_HID_GET_DEVICE_DESCRIPTOR PIDW_HID_CTL_CODE(0)
#define PIDW_IOCTL_HID_GET_REPORT_DESCRIPTOR PIDW_HID_CTL_CODE(1)
#define PIDW_IOCTL_HID_READ_REPORT PIDW_HID_CTL_CODE(2)
#define PIDW_IOCTL_HID_WRITE_REPORT PIDW_HID_CTL_CODE(3)
#define PIDW_IOCTL_HID_GET_STRING PIDW_HID_CTL_CODE(4)
#define PIDW_IOCTL_HID_ACTIVATE_DEVICE PIDW_HID_CTL_CODE(7)
#define PIDW_IOCTL_HID_DEACTIVATE_DEVICE PIDW_HID_CTL_CODE(8)
#define PIDW_IOCTL_HID_GET_DEVICE_ATTRIBUTES PIDW_HID_CTL_CODE(9)
#define PIDW_IOCTL_HID_GET_FEATURE PIDW_HID_OUT_CTL_CODE(100)
#define PIDW_IOCTL_GET_PHYSICAL_DESCRIPTOR PIDW_HID_OUT_CTL_CODE(102)
#define PIDW_IOCTL_HID_GET_INPUT_REPORT PIDW_HID_OUT_CTL_CODE(104)
#define PIDW_IOCTL_HID_SET_FEATURE PIDW_HID_IN_CTL_CODE(100)
#define PIDW_IOCTL_HID_SET_OUTPUT_REPORT PIDW_HID_IN_CTL_CODE(101)

#define PIDW_HID_REVISION 1
#define PIDW_HID_HID_DESCRIPTOR_TYPE 0x21
#define PIDW_HID_REPORT_DESCRIPTOR_TYPE 0x22

/* IOCTL_HID_GET_STRING's string IDs (low word of the input "buffer"):
 * Windows' hidport.h numbers them 14, 15, 16, while Wine 8.0's hidclass
 * passes its HID_STRING_TYPE enum, 1, 2, 3. Both are answered. */
#define PIDW_HID_STRING_ID_IMANUFACTURER 14
#define PIDW_HID_STRING_ID_IPRODUCT 15
#define PIDW_HID_STRING_ID_ISERIALNUMBER 16
#define PIDW_WINE_STRING_ID_IMANUFACTURER 1
#define PIDW_WINE_STRING_ID_IPRODUCT 2
#define PIDW_WINE_STRING_ID_ISERIALNUMBER 3

typedef struct {
    ULONG Revision;
    DRIVER_OBJECT* DriverObject;
    UNICODE_STRING* RegistryPath;
    ULONG DeviceExtensionSize;
    BOOLEAN DevicesArePolled;
    UCHAR Reserved[3];
} PIDW_HID_MINIDRIVER_REGISTRATION;

/* device->DeviceExtension of every device hidclass creates for us. */
typedef struct {
    DEVICE_OBJECT* PhysicalDeviceObject;
    DEVICE_OBJECT* NextDeviceObject;
    void* MiniDeviceExtension;
} PIDW_HID_DEVICE_EXTENSION;

typedef struct {
    ULONG Size;
    USHORT VendorID;
    USHORT ProductID;
    USHORT VersionNumber;
    USHORT Reserved[11];
} PIDW_HID_DEVICE_ATTRIBUTES;

#pragma pack(push, 1)
typedef struct {
    UCHAR bLength;
    UCHAR bDescriptorType;
    USHORT bcdHID;
    UCHAR bCountry;
    UCHAR bNumDescriptors;
    UCHAR bReportType;
    USHORT wReportLength;
} PIDW_HID_DESCRIPTOR;
#pragma pack(pop)

/* The packet of GET/SET_FEATURE, GET_INPUT_REPORT, SET_OUTPUT_REPORT and
 * WRITE_REPORT (irp->UserBuffer). reportBuffer starts with the report ID
 * byte when the report has an ID, and with the first data byte when the
 * descriptor declares no IDs (reportId is then 0). */
typedef struct {
    UCHAR* reportBuffer;
    ULONG reportBufferLen;
    UCHAR reportId;
} PIDW_HID_XFER_PACKET;

NTSTATUS NTAPI HidRegisterMinidriver(PIDW_HID_MINIDRIVER_REGISTRATION* registration);

/* ntoskrnl exports it; mingw declares it in ntifs.h only. */
NTSYSAPI NTSTATUS NTAPI ZwWaitForSingleObject(HANDLE handle, BOOLEAN alertable,
                                              PLARGE_INTEGER timeout);
