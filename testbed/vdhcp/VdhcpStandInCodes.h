/* VdhcpStandInCodes.h: what the stand-in of the Windows 95/98 DHCP client device (vdhcp.sys) and its
 * user-mode helper share. The adapter library itself sends only the table request; the private codes are for
 * tests, which load the table the device answers with and read back how it was asked.
 *
 * Private codes are CTL_CODE(FILE_DEVICE_UNKNOWN, 0x900 + n, METHOD_BUFFERED, FILE_ANY_ACCESS), spelt out so
 * that neither winioctl.h nor the DDK is needed here. Words are 32-bit little-endian.
 */
#ifndef OMBRIX_VDHCP_STANDIN_CODES_H
#define OMBRIX_VDHCP_STANDIN_CODES_H

/* The table request of the real device: raw code 1 (device type 0, function 0, "in direct"). The caller
 * passes one buffer as input and output. A buffer too small for the table gets the size needed in its
 * first 4 bytes and the error ERROR_BUFFER_OVERFLOW (111); a large enough one gets the table. */
#define VDHCP_STANDIN_TABLE_REQUEST 1u
#define VDHCP_STANDIN_SIZE_FIELD    4u
/* The warning status whose Win32 error is ERROR_BUFFER_OVERFLOW: facility Win32 (7), code 111. A warning
 * rather than an error, so that the I/O manager still hands the size back to the caller. */
#define VDHCP_STANDIN_STATUS_BUFFER_OVERFLOW 0x8007006Fu

#define VDHCP_STANDIN_DEVICE_TYPE   0x22u /* FILE_DEVICE_UNKNOWN */
#define VDHCP_STANDIN_FUNCTION_BASE 0x900u
#define VDHCP_STANDIN_CODE(n)       ((VDHCP_STANDIN_DEVICE_TYPE << 16) | ((VDHCP_STANDIN_FUNCTION_BASE + (n)) << 2))

/* in: the whole reply of the table request (entry count, entries, and the hardware addresses and DNS lists
 * they point at), at most VDHCP_STANDIN_MAX_TABLE bytes; it replaces the table. An empty input leaves the
 * device without a table: every table request then fails with STATUS_DEVICE_NOT_READY. */
#define VDHCP_STANDIN_LOAD_TABLE VDHCP_STANDIN_CODE(0)
/* out: VDHCP_STANDIN_COUNTERS words: opens, closes, size probes answered with 111, tables handed out. */
#define VDHCP_STANDIN_GET_COUNTS VDHCP_STANDIN_CODE(1)
/* Back to the state after loading: no table, counters zero. */
#define VDHCP_STANDIN_RESET VDHCP_STANDIN_CODE(2)

#define VDHCP_STANDIN_COUNT_OPENS       0
#define VDHCP_STANDIN_COUNT_CLOSES      1
#define VDHCP_STANDIN_COUNT_SIZE_PROBES 2
#define VDHCP_STANDIN_COUNT_TABLES      3
#define VDHCP_STANDIN_COUNTERS          4

#define VDHCP_STANDIN_MAX_TABLE 4096u

/* Names the driver registers; user mode opens "\\.\VDHCP". */
#define VDHCP_STANDIN_DEVICE_NAME L"\\Device\\Vdhcp"
#define VDHCP_STANDIN_LINK_NAME   L"\\DosDevices\\VDHCP"

#endif
