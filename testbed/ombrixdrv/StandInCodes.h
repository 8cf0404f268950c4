/* StandInCodes.h: the private control codes of the stand-in packet driver, shared by the driver (C, kernel
 * side) and the user-mode helpers (C++). Only tests send these; the system itself sends only the seven raw
 * request codes (5, 19, 51, 56, 60, 65, 67).
 *
 * Every private code is CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS) with a
 * function number of 0x900 and up, so its value (0x222400 and up) can never be mistaken for a raw code.
 * The macro spells CTL_CODE out so that the header needs neither winioctl.h nor the DDK. All words are
 * 32-bit little-endian.
 */
#ifndef OMBRIX_STANDIN_CODES_H
#define OMBRIX_STANDIN_CODES_H

#define OMBRIX_STANDIN_DEVICE_TYPE   0x22u /* FILE_DEVICE_UNKNOWN */
#define OMBRIX_STANDIN_FUNCTION_BASE 0x900u
#define OMBRIX_STANDIN_CODE(n)       ((OMBRIX_STANDIN_DEVICE_TYPE << 16) | ((OMBRIX_STANDIN_FUNCTION_BASE + (n)) << 2))

/* in: one word, the bits to set in the status word that request 19 reports. */
#define OMBRIX_STANDIN_SET_STATUS_BITS OMBRIX_STANDIN_CODE(0)
/* in: one word, the bits to clear. */
#define OMBRIX_STANDIN_CLEAR_STATUS_BITS OMBRIX_STANDIN_CODE(1)
/* in: one or more 28-byte alarm records back to back (the length must be a multiple of 28); they are
 * appended to the alarm queue, which also sets status bit 0x8. out (optional): one word, how many were
 * taken; records past the queue's capacity are dropped. */
#define OMBRIX_STANDIN_QUEUE_ALARMS OMBRIX_STANDIN_CODE(2)
/* out: one word, the flag of the last request 5 (0 before any). */
#define OMBRIX_STANDIN_GET_SHARING OMBRIX_STANDIN_CODE(3)
/* out: one word, the flag of the last request 65 (0 before any). */
#define OMBRIX_STANDIN_GET_ALARM_SWITCH OMBRIX_STANDIN_CODE(4)
/* out: one word, the number of forwards, then that many 12-byte forward records in table order (the
 * index field holds the position). Fails when the buffer cannot hold the whole table. */
#define OMBRIX_STANDIN_GET_FORWARDS OMBRIX_STANDIN_CODE(5)
/* out: OMBRIX_STANDIN_RAW_REQUESTS words, how often each raw request arrived (failed ones included), in the
 * order of the OMBRIX_STANDIN_REQ_* indexes. */
#define OMBRIX_STANDIN_GET_REQUEST_COUNTS OMBRIX_STANDIN_CODE(6)
/* Back to the state after loading: status 0, switches off, no forwards, no alarms, counters, the fail
 * mask and the over-report zero. */
#define OMBRIX_STANDIN_RESET OMBRIX_STANDIN_CODE(7)
/* out: two words, the status word and the number of queued alarm records, read without counting as a
 * request 19 and without changing anything. */
#define OMBRIX_STANDIN_PEEK_STATE OMBRIX_STANDIN_CODE(8)
/* in: one word; bit (1 << OMBRIX_STANDIN_REQ_*) makes that raw request fail (with nothing changed) until
 * the mask is changed again, so tests can reach the callers' failure paths. */
#define OMBRIX_STANDIN_SET_FAIL_MASK OMBRIX_STANDIN_CODE(9)

/* in: one word, a number of bytes the driver claims beyond what it wrote: each successful raw request with
 * output (19, 51, 67) then reports its byte count that much too high, as a faulty driver might, until the
 * value is changed again. The bytes it claims were never written, and lie past the caller's buffer. */
#define OMBRIX_STANDIN_SET_OVERREPORT OMBRIX_STANDIN_CODE(10)

/* Indexes of the raw requests in the counters and in the fail mask. */
#define OMBRIX_STANDIN_REQ_SET_SHARING    0 /* request 5 */
#define OMBRIX_STANDIN_REQ_GET_STATUS     1 /* request 19 */
#define OMBRIX_STANDIN_REQ_GET_FORWARD    2 /* request 51 */
#define OMBRIX_STANDIN_REQ_ADD_FORWARD    3 /* request 56 */
#define OMBRIX_STANDIN_REQ_REMOVE_FORWARD 4 /* request 60 */
#define OMBRIX_STANDIN_REQ_SET_ALARM      5 /* request 65 */
#define OMBRIX_STANDIN_REQ_GET_ALARMS     6 /* request 67 */
#define OMBRIX_STANDIN_RAW_REQUESTS       7

/* Capacities. The forward table is far larger than any stored list of forwards; the alarm queue holds more
 * than three full blocks of request 67 so that tests can see the 71-record limit per read. */
#define OMBRIX_STANDIN_MAX_FORWARDS      128
#define OMBRIX_STANDIN_MAX_QUEUED_ALARMS 256

/* Names the driver registers; user mode opens "\\.\OMBRIX". */
#define OMBRIX_STANDIN_DEVICE_NAME L"\\Device\\Ombrix"
#define OMBRIX_STANDIN_LINK_NAME   L"\\DosDevices\\OMBRIX"

#endif
