/* vdhcp.c: the stand-in of the Windows 95/98 DHCP client device for tests under Wine (vdhcp.sys).
 *
 * Windows 95/98 report the leases of their DHCP client through the device "\\.\VDHCP": a table request
 * answers a too small buffer with the size it needs (ERROR_BUFFER_OVERFLOW) and a large enough one with the
 * table. Wine has no such device. This driver answers the same way from a table that the test loads through
 * a private code (VdhcpStandInCodes.h), and counts opens, closes and requests, so that a test can tell how
 * the device was used. All state belongs to the driver, not to a handle.
 *
 * The table request is "in direct": the input comes in the system buffer and the output through an MDL.
 * Wine hands the driver copies of the caller's buffers; on Windows these would need no probing either, as
 * the I/O manager maps them.
 */
#include <ddk/wdm.h>

#include "StandInWdm.h"
#include "VdhcpStandInCodes.h"

#define WORD_SIZE 4

static KSPIN_LOCK gLock;
static UCHAR gTable[VDHCP_STANDIN_MAX_TABLE];
static ULONG gTableSize;
static ULONG gCounts[VDHCP_STANDIN_COUNTERS];

static void PutU32(UCHAR* p, ULONG v)
{
    p[0] = (UCHAR)v;
    p[1] = (UCHAR)(v >> 8);
    p[2] = (UCHAR)(v >> 16);
    p[3] = (UCHAR)(v >> 24);
}

static void ResetState(void)
{
    RtlZeroMemory(gTable, sizeof(gTable));
    gTableSize = 0;
    RtlZeroMemory(gCounts, sizeof(gCounts));
}

/* The table request; called with the lock held. */
static NTSTATUS TableRequest(IRP* irp, const IO_STACK_LOCATION* stack, ULONG_PTR* info)
{
    ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR* out;

    if (gTableSize == 0)
        return STATUS_DEVICE_NOT_READY;
    if (!irp->MdlAddress || outLength < VDHCP_STANDIN_SIZE_FIELD)
        return STATUS_INVALID_PARAMETER;
    out = (UCHAR*)MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority);
    if (!out)
        return STATUS_INSUFFICIENT_RESOURCES;
    if (outLength < gTableSize) {
        PutU32(out, gTableSize);
        ++gCounts[VDHCP_STANDIN_COUNT_SIZE_PROBES];
        *info = VDHCP_STANDIN_SIZE_FIELD;
        return (NTSTATUS)VDHCP_STANDIN_STATUS_BUFFER_OVERFLOW;
    }
    RtlCopyMemory(out, gTable, gTableSize);
    ++gCounts[VDHCP_STANDIN_COUNT_TABLES];
    *info = gTableSize;
    return STATUS_SUCCESS;
}

/* One private code (all buffered); called with the lock held. */
static NTSTATUS PrivateRequest(ULONG code, IRP* irp, const IO_STACK_LOCATION* stack, ULONG_PTR* info)
{
    ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR* buffer = (UCHAR*)irp->AssociatedIrp.SystemBuffer;
    ULONG i;

    switch (code) {
    case VDHCP_STANDIN_LOAD_TABLE:
        if (inLength > VDHCP_STANDIN_MAX_TABLE || (inLength && !buffer))
            return STATUS_INVALID_PARAMETER;
        RtlZeroMemory(gTable, sizeof(gTable));
        if (inLength)
            RtlCopyMemory(gTable, buffer, inLength);
        gTableSize = inLength;
        return STATUS_SUCCESS;
    case VDHCP_STANDIN_GET_COUNTS:
        if (outLength < VDHCP_STANDIN_COUNTERS * WORD_SIZE || !buffer)
            return STATUS_BUFFER_TOO_SMALL;
        for (i = 0; i < VDHCP_STANDIN_COUNTERS; ++i)
            PutU32(buffer + i * WORD_SIZE, gCounts[i]);
        *info = VDHCP_STANDIN_COUNTERS * WORD_SIZE;
        return STATUS_SUCCESS;
    case VDHCP_STANDIN_RESET:
        ResetState();
        return STATUS_SUCCESS;
    default:
        return STATUS_INVALID_DEVICE_REQUEST;
    }
}

static NTSTATUS NTAPI DispatchControl(DEVICE_OBJECT* device, IRP* irp)
{
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG_PTR info = 0;
    NTSTATUS status;
    KIRQL irql;

    KeAcquireSpinLock(&gLock, &irql);
    if (code == VDHCP_STANDIN_TABLE_REQUEST)
        status = TableRequest(irp, stack, &info);
    else
        status = PrivateRequest(code, irp, stack, &info);
    KeReleaseSpinLock(&gLock, irql);

    return StandInCompleteRequest(irp, status, NT_ERROR(status) ? 0 : info);
}

static NTSTATUS NTAPI DispatchCount(DEVICE_OBJECT* device, IRP* irp)
{
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    KIRQL irql;

    KeAcquireSpinLock(&gLock, &irql);
    if (stack->MajorFunction == IRP_MJ_CREATE)
        ++gCounts[VDHCP_STANDIN_COUNT_OPENS];
    else if (stack->MajorFunction == IRP_MJ_CLOSE)
        ++gCounts[VDHCP_STANDIN_COUNT_CLOSES];
    KeReleaseSpinLock(&gLock, irql);

    return StandInCompleteRequest(irp, STATUS_SUCCESS, 0);
}

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT* driver, UNICODE_STRING* registryPath)
{
    NTSTATUS status;

    KeInitializeSpinLock(&gLock);
    ResetState();

    status =
        StandInStartDevice(driver, VDHCP_STANDIN_DEVICE_NAME, VDHCP_STANDIN_LINK_NAME, DispatchCount, DispatchControl);
    if (NT_SUCCESS(status))
        DbgPrint("vdhcp stand-in: loaded\n");
    return status;
}
