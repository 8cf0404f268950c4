/* ombrixdrv.c: the stand-in packet driver (ombrix.sys) for tests under Wine.
 *
 * It translates and filters nothing. It keeps what the system's callers would see of the real driver: the
 * sharing switch, the status word, the port forward table, the alarm switch and a queue of alarm records,
 * and answers the seven raw requests with their buffers. Tests set the status bits and queue alarm records
 * through the private codes of StandInCodes.h, and read back what the callers sent.
 *
 * Transfer methods follow from the low two bits of each raw code: 56 and 60 are buffered (one system
 * buffer); 5 and 65 are "in direct" (input in the system buffer; they have no output, so no MDL); 19, 51 and
 * 67 are "neither" (Type3InputBuffer and UserBuffer). Wine's winedevice hands a driver copies of the caller's
 * buffers for every method, the output's old contents included, which request 51 relies on (the caller puts
 * the index into the output buffer). On Windows these user pointers would need probing; this driver only
 * ever runs under Wine.
 *
 * Status bits 0x1 and 0x2 change only through the private codes. Bit 0x8 is set whenever records are queued
 * and cleared when a request 67 leaves the queue empty. Reading the status (19) changes nothing.
 */
#include <ddk/wdm.h>

#include "StandInCodes.h"
#include "StandInWdm.h"

/* The raw request codes. */
#define REQ_SET_SHARING    5
#define REQ_GET_STATUS     19
#define REQ_GET_FORWARD    51
#define REQ_ADD_FORWARD    56
#define REQ_REMOVE_FORWARD 60
#define REQ_SET_ALARM      65
#define REQ_GET_ALARMS     67

#define STATUS_ALARMS_WAITING 0x8u

#define FLAG_SIZE 4
#define WORD_SIZE 4

/* Port forward record, 12 bytes, little-endian. */
#define FORWARD_SIZE     12
#define FORWARD_PROTOCOL 0  /* 16 bits */
#define FORWARD_RESERVED 2  /* 16 bits, zero */
#define FORWARD_ADDRESS  4  /* 4 bytes, network order */
#define FORWARD_PORT     8  /* 16 bits */
#define FORWARD_INDEX    10 /* 16 bits */

/* Alarm block: three words (unused, count, unused) and up to 71 records of 28 bytes, 2000 bytes in all. */
#define ALARM_RECORD_SIZE   28
#define ALARM_HEADER_SIZE   12
#define ALARM_HEADER_COUNT  4
#define ALARM_MAX_PER_BLOCK 71

/* PEEK_STATE reply: the status word and the queue length. */
#define PEEK_STATE_SIZE (2 * WORD_SIZE)

static KSPIN_LOCK gLock;
static ULONG gStatusBits;
static ULONG gSharing;
static ULONG gAlarmSwitch;
static ULONG gFailMask;
static ULONG gOverreport;
static ULONG gRequestCounts[OMBRIX_STANDIN_RAW_REQUESTS];
static UCHAR gForwards[OMBRIX_STANDIN_MAX_FORWARDS][FORWARD_SIZE];
static ULONG gForwardCount;
/* A ring: gAlarmHead is the oldest record. */
static UCHAR gAlarms[OMBRIX_STANDIN_MAX_QUEUED_ALARMS][ALARM_RECORD_SIZE];
static ULONG gAlarmHead;
static ULONG gAlarmCount;

static USHORT GetU16(const UCHAR* p)
{
    return (USHORT)(p[0] | (p[1] << 8));
}

static ULONG GetU32(const UCHAR* p)
{
    return (ULONG)p[0] | ((ULONG)p[1] << 8) | ((ULONG)p[2] << 16) | ((ULONG)p[3] << 24);
}

static void PutU16(UCHAR* p, USHORT v)
{
    p[0] = (UCHAR)v;
    p[1] = (UCHAR)(v >> 8);
}

static void PutU32(UCHAR* p, ULONG v)
{
    p[0] = (UCHAR)v;
    p[1] = (UCHAR)(v >> 8);
    p[2] = (UCHAR)(v >> 16);
    p[3] = (UCHAR)(v >> 24);
}

static void ResetState(void)
{
    gStatusBits = 0;
    gSharing = 0;
    gAlarmSwitch = 0;
    gFailMask = 0;
    gOverreport = 0;
    RtlZeroMemory(gRequestCounts, sizeof(gRequestCounts));
    RtlZeroMemory(gForwards, sizeof(gForwards));
    gForwardCount = 0;
    RtlZeroMemory(gAlarms, sizeof(gAlarms));
    gAlarmHead = 0;
    gAlarmCount = 0;
}

/* The forwards are keyed by protocol and port, compared as sent. */
static LONG FindForward(const UCHAR* record)
{
    ULONG i;
    for (i = 0; i < gForwardCount; ++i) {
        if (GetU16(gForwards[i] + FORWARD_PROTOCOL) == GetU16(record + FORWARD_PROTOCOL) &&
            GetU16(gForwards[i] + FORWARD_PORT) == GetU16(record + FORWARD_PORT))
            return (LONG)i;
    }
    return -1;
}

/* Stores protocol, address and port; reserved and index are kept zero in the table. */
static void StoreForward(UCHAR* slot, const UCHAR* record)
{
    RtlZeroMemory(slot, FORWARD_SIZE);
    PutU16(slot + FORWARD_PROTOCOL, GetU16(record + FORWARD_PROTOCOL));
    RtlCopyMemory(slot + FORWARD_ADDRESS, record + FORWARD_ADDRESS, 4);
    PutU16(slot + FORWARD_PORT, GetU16(record + FORWARD_PORT));
}

static NTSTATUS AddForward(const UCHAR* record)
{
    LONG found = FindForward(record);
    if (found >= 0) {
        RtlCopyMemory(gForwards[found] + FORWARD_ADDRESS, record + FORWARD_ADDRESS, 4);
        return STATUS_SUCCESS;
    }
    if (gForwardCount >= OMBRIX_STANDIN_MAX_FORWARDS)
        return STATUS_INSUFFICIENT_RESOURCES;
    StoreForward(gForwards[gForwardCount], record);
    ++gForwardCount;
    return STATUS_SUCCESS;
}

static NTSTATUS RemoveForward(const UCHAR* record)
{
    ULONG i;
    LONG found = FindForward(record);
    if (found < 0)
        return STATUS_NOT_FOUND;
    for (i = (ULONG)found; i + 1 < gForwardCount; ++i)
        RtlCopyMemory(gForwards[i], gForwards[i + 1], FORWARD_SIZE);
    --gForwardCount;
    RtlZeroMemory(gForwards[gForwardCount], FORWARD_SIZE);
    return STATUS_SUCCESS;
}

static void CopyForwardOut(UCHAR* out, ULONG index)
{
    RtlCopyMemory(out, gForwards[index], FORWARD_SIZE);
    PutU16(out + FORWARD_INDEX, (USHORT)index);
}

/* Appends whole records while there is room; returns how many were taken. */
static ULONG QueueAlarms(const UCHAR* records, ULONG count)
{
    ULONG taken = 0;
    while (taken < count && gAlarmCount < OMBRIX_STANDIN_MAX_QUEUED_ALARMS) {
        ULONG slot = (gAlarmHead + gAlarmCount) % OMBRIX_STANDIN_MAX_QUEUED_ALARMS;
        RtlCopyMemory(gAlarms[slot], records + taken * ALARM_RECORD_SIZE, ALARM_RECORD_SIZE);
        ++gAlarmCount;
        ++taken;
    }
    if (gAlarmCount > 0)
        gStatusBits |= STATUS_ALARMS_WAITING;
    return taken;
}

/* Moves up to 71 of the oldest records into the block (as many as the buffer holds); returns its length. */
static ULONG TakeAlarms(UCHAR* out, ULONG outLength)
{
    ULONG room = (outLength - ALARM_HEADER_SIZE) / ALARM_RECORD_SIZE;
    ULONG n = gAlarmCount, i;
    if (n > ALARM_MAX_PER_BLOCK)
        n = ALARM_MAX_PER_BLOCK;
    if (n > room)
        n = room;
    RtlZeroMemory(out, ALARM_HEADER_SIZE);
    PutU32(out + ALARM_HEADER_COUNT, n);
    for (i = 0; i < n; ++i) {
        RtlCopyMemory(out + ALARM_HEADER_SIZE + i * ALARM_RECORD_SIZE, gAlarms[gAlarmHead], ALARM_RECORD_SIZE);
        gAlarmHead = (gAlarmHead + 1) % OMBRIX_STANDIN_MAX_QUEUED_ALARMS;
        --gAlarmCount;
    }
    if (gAlarmCount == 0)
        gStatusBits &= ~STATUS_ALARMS_WAITING;
    return ALARM_HEADER_SIZE + n * ALARM_RECORD_SIZE;
}

static LONG RawRequestIndex(ULONG code)
{
    switch (code) {
    case REQ_SET_SHARING:
        return OMBRIX_STANDIN_REQ_SET_SHARING;
    case REQ_GET_STATUS:
        return OMBRIX_STANDIN_REQ_GET_STATUS;
    case REQ_GET_FORWARD:
        return OMBRIX_STANDIN_REQ_GET_FORWARD;
    case REQ_ADD_FORWARD:
        return OMBRIX_STANDIN_REQ_ADD_FORWARD;
    case REQ_REMOVE_FORWARD:
        return OMBRIX_STANDIN_REQ_REMOVE_FORWARD;
    case REQ_SET_ALARM:
        return OMBRIX_STANDIN_REQ_SET_ALARM;
    case REQ_GET_ALARMS:
        return OMBRIX_STANDIN_REQ_GET_ALARMS;
    default:
        return -1;
    }
}

/* One raw request; called with the lock held. *info receives the number of output bytes. */
static NTSTATUS RawRequest(ULONG code, IRP* irp, const IO_STACK_LOCATION* stack, ULONG_PTR* info)
{
    ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR* system = (UCHAR*)irp->AssociatedIrp.SystemBuffer;
    UCHAR* user = (UCHAR*)irp->UserBuffer;

    switch (code) {
    case REQ_SET_SHARING:
    case REQ_SET_ALARM:
        if (inLength < FLAG_SIZE || !system)
            return STATUS_INVALID_PARAMETER;
        if (code == REQ_SET_SHARING)
            gSharing = GetU32(system);
        else
            gAlarmSwitch = GetU32(system);
        return STATUS_SUCCESS;
    case REQ_GET_STATUS:
        if (outLength < WORD_SIZE || !user)
            return STATUS_BUFFER_TOO_SMALL;
        PutU32(user, gStatusBits);
        *info = WORD_SIZE;
        return STATUS_SUCCESS;
    case REQ_GET_FORWARD: {
        ULONG index;
        if (outLength < FORWARD_SIZE || !user)
            return STATUS_BUFFER_TOO_SMALL;
        index = GetU16(user + FORWARD_INDEX);
        if (index >= gForwardCount)
            return STATUS_NO_MORE_ENTRIES;
        CopyForwardOut(user, index);
        *info = FORWARD_SIZE;
        return STATUS_SUCCESS;
    }
    case REQ_ADD_FORWARD:
    case REQ_REMOVE_FORWARD:
        if (inLength < FORWARD_SIZE || !system)
            return STATUS_INVALID_PARAMETER;
        return code == REQ_ADD_FORWARD ? AddForward(system) : RemoveForward(system);
    case REQ_GET_ALARMS:
        if (outLength < ALARM_HEADER_SIZE || !user)
            return STATUS_BUFFER_TOO_SMALL;
        *info = TakeAlarms(user, outLength);
        return STATUS_SUCCESS;
    default:
        return STATUS_INVALID_DEVICE_REQUEST;
    }
}

/* One private code (all buffered); called with the lock held. */
static NTSTATUS PrivateRequest(ULONG code, IRP* irp, const IO_STACK_LOCATION* stack, ULONG_PTR* info)
{
    ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR* buffer = (UCHAR*)irp->AssociatedIrp.SystemBuffer;
    ULONG i;

    switch (code) {
    case OMBRIX_STANDIN_SET_STATUS_BITS:
    case OMBRIX_STANDIN_CLEAR_STATUS_BITS:
    case OMBRIX_STANDIN_SET_FAIL_MASK:
    case OMBRIX_STANDIN_SET_OVERREPORT:
        if (inLength < WORD_SIZE || !buffer)
            return STATUS_INVALID_PARAMETER;
        if (code == OMBRIX_STANDIN_SET_STATUS_BITS)
            gStatusBits |= GetU32(buffer);
        else if (code == OMBRIX_STANDIN_CLEAR_STATUS_BITS)
            gStatusBits &= ~GetU32(buffer);
        else if (code == OMBRIX_STANDIN_SET_FAIL_MASK)
            gFailMask = GetU32(buffer);
        else
            gOverreport = GetU32(buffer);
        return STATUS_SUCCESS;
    case OMBRIX_STANDIN_QUEUE_ALARMS: {
        ULONG taken;
        if (inLength == 0 || inLength % ALARM_RECORD_SIZE != 0 || !buffer)
            return STATUS_INVALID_PARAMETER;
        taken = QueueAlarms(buffer, inLength / ALARM_RECORD_SIZE);
        if (outLength >= WORD_SIZE) {
            PutU32(buffer, taken);
            *info = WORD_SIZE;
        }
        return STATUS_SUCCESS;
    }
    case OMBRIX_STANDIN_GET_SHARING:
    case OMBRIX_STANDIN_GET_ALARM_SWITCH:
        if (outLength < WORD_SIZE || !buffer)
            return STATUS_BUFFER_TOO_SMALL;
        PutU32(buffer, code == OMBRIX_STANDIN_GET_SHARING ? gSharing : gAlarmSwitch);
        *info = WORD_SIZE;
        return STATUS_SUCCESS;
    case OMBRIX_STANDIN_GET_FORWARDS:
        if (outLength < WORD_SIZE + gForwardCount * FORWARD_SIZE || !buffer)
            return STATUS_BUFFER_TOO_SMALL;
        PutU32(buffer, gForwardCount);
        for (i = 0; i < gForwardCount; ++i)
            CopyForwardOut(buffer + WORD_SIZE + i * FORWARD_SIZE, i);
        *info = WORD_SIZE + gForwardCount * FORWARD_SIZE;
        return STATUS_SUCCESS;
    case OMBRIX_STANDIN_GET_REQUEST_COUNTS:
        if (outLength < OMBRIX_STANDIN_RAW_REQUESTS * WORD_SIZE || !buffer)
            return STATUS_BUFFER_TOO_SMALL;
        for (i = 0; i < OMBRIX_STANDIN_RAW_REQUESTS; ++i)
            PutU32(buffer + i * WORD_SIZE, gRequestCounts[i]);
        *info = OMBRIX_STANDIN_RAW_REQUESTS * WORD_SIZE;
        return STATUS_SUCCESS;
    case OMBRIX_STANDIN_RESET:
        ResetState();
        return STATUS_SUCCESS;
    case OMBRIX_STANDIN_PEEK_STATE:
        if (outLength < PEEK_STATE_SIZE || !buffer)
            return STATUS_BUFFER_TOO_SMALL;
        PutU32(buffer, gStatusBits);
        PutU32(buffer + WORD_SIZE, gAlarmCount);
        *info = PEEK_STATE_SIZE;
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
    LONG raw = RawRequestIndex(code);

    KeAcquireSpinLock(&gLock, &irql);
    if (raw >= 0) {
        ++gRequestCounts[raw];
        if (gFailMask & (1u << raw))
            status = STATUS_UNSUCCESSFUL;
        else
            status = RawRequest(code, irp, stack, &info);
        if (NT_SUCCESS(status) && info > 0)
            info += gOverreport;
    } else {
        status = PrivateRequest(code, irp, stack, &info);
    }
    KeReleaseSpinLock(&gLock, irql);

    return StandInCompleteRequest(irp, status, NT_SUCCESS(status) ? info : 0);
}

/* Open, clean-up and close need nothing: all state belongs to the driver, not to a handle. */
static NTSTATUS NTAPI DispatchSucceed(DEVICE_OBJECT* device, IRP* irp)
{
    return StandInCompleteRequest(irp, STATUS_SUCCESS, 0);
}

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT* driver, UNICODE_STRING* registryPath)
{
    NTSTATUS status;

    KeInitializeSpinLock(&gLock);
    ResetState();

    status = StandInStartDevice(driver, OMBRIX_STANDIN_DEVICE_NAME, OMBRIX_STANDIN_LINK_NAME, DispatchSucceed,
                                DispatchControl);
    if (NT_SUCCESS(status))
        DbgPrint("ombrix stand-in: loaded\n");
    return status;
}
