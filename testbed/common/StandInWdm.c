#include "StandInWdm.h"

/* Each driver links its own copy, so these belong to the one driver of the module. */
static DEVICE_OBJECT* gDevice;
static const WCHAR* gLinkName;

static void NTAPI DriverUnload(DRIVER_OBJECT* driver)
{
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, gLinkName);
    IoDeleteSymbolicLink(&link);
    if (gDevice)
        IoDeleteDevice(gDevice);
    gDevice = NULL;
}

NTSTATUS StandInStartDevice(DRIVER_OBJECT* driver, const WCHAR* deviceName, const WCHAR* linkName,
                            PDRIVER_DISPATCH openClose, PDRIVER_DISPATCH control)
{
    UNICODE_STRING name, link;
    NTSTATUS status;

    RtlInitUnicodeString(&name, deviceName);
    status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &gDevice);
    if (!NT_SUCCESS(status))
        return status;
    RtlInitUnicodeString(&link, linkName);
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(gDevice);
        gDevice = NULL;
        return status;
    }
    gLinkName = linkName;

    driver->MajorFunction[IRP_MJ_CREATE] = openClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = openClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = openClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = control;
    driver->DriverUnload = DriverUnload;
    return STATUS_SUCCESS;
}

NTSTATUS StandInCompleteRequest(IRP* irp, NTSTATUS status, ULONG_PTR info)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = info;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}
