/* StandInWdm.h: what every WDM stand-in driver of the testbed does alike — one device with a \DosDevices
 * link, made in DriverEntry and deleted again on unload, and requests completed at once. */
#pragma once

#include <ddk/wdm.h>

/* Creates the device `deviceName` and the link `linkName` to it, routes open, clean-up and close to
 * openClose and device control to control, and has the unload delete both again. On failure nothing is left
 * behind and the driver's DriverEntry passes the status on. */
NTSTATUS StandInStartDevice(DRIVER_OBJECT* driver, const WCHAR* deviceName, const WCHAR* linkName,
                            PDRIVER_DISPATCH openClose, PDRIVER_DISPATCH control);
/* Completes irp with status and info bytes; returns status for the dispatch routine to pass on. */
NTSTATUS StandInCompleteRequest(IRP* irp, NTSTATUS status, ULONG_PTR info);
