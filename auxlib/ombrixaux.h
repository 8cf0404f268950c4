/* ombrixaux: the adapter helper library shared by the service, the console, the wizard and the diagnostics
   report. Its exports are plain functions with the __stdcall convention, exported by their plain names.

   The library keeps one adapter table and one DNS server table per process, rebuilt by Refresh or
   RefreshByReg and read by index; an index that is negative or not below the count gives 0 and leaves any
   buffer untouched. IPv4 addresses are 32-bit values in network byte order (first octet in the
   lowest-addressed byte). Every export is for one thread at a time. */
#ifndef OMBRIX_AUXLIB_OMBRIXAUX_H
#define OMBRIX_AUXLIB_OMBRIXAUX_H

#include "OsType.h"

/* Inside the library the export list (ombrixaux.def) decides what is exported; a program imports. */
#if defined(OMBRIXAUX_BUILDING)
#define OMBRIXAUX_LINKAGE
#else
#define OMBRIXAUX_LINKAGE __declspec(dllimport)
#endif
#define OMBRIXAUX_API __stdcall

#ifdef __cplusplus
extern "C" {
#endif

/* The Windows family this process runs on. Detected at the first call and kept; while the family is not
   known (OsUnknown) every call tries again. */
OMBRIXAUX_LINKAGE OsType OMBRIXAUX_API GetOs(void);

/* --- Adapter inventory --- */

/* Empties and frees both tables. */
OMBRIXAUX_LINKAGE void OMBRIXAUX_API ClearAdapterInfo(void);
/* Rebuilds both tables: from the running TCP/IP stack on Windows 95/98, by RefreshByReg otherwise. Returns
   the number of adapters. */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API Refresh(void);
/* Rebuilds both tables from the registry of the detected family, then drops the static adapters whose
   address the host's name does not resolve to. The sockets library must be initialised for that last step
   (without it nothing is dropped). Returns the number of adapters. */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API RefreshByReg(void);
OMBRIXAUX_LINKAGE int OMBRIXAUX_API GetAdapterCount(void);
/* Copies the description (at most 127 characters) NUL-terminated into buffer, never more than size bytes
   with the NUL; returns its length. */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API GetAdapterName(int adapter, char* buffer, int size);
/* Copies the 6-byte hardware address (at most size bytes); returns the number of bytes copied. */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API GetMacAddress(int adapter, char* buffer, int size);
OMBRIXAUX_LINKAGE int OMBRIXAUX_API IsDhcp(int adapter);
OMBRIXAUX_LINKAGE int OMBRIXAUX_API GetIpCount(int adapter);
/* The n-th address of the adapter; 0 when either index is out of range. */
OMBRIXAUX_LINKAGE unsigned long OMBRIXAUX_API GetIpAddress(int adapter, int n);
OMBRIXAUX_LINKAGE unsigned long OMBRIXAUX_API GetSubnetMask(int adapter);
OMBRIXAUX_LINKAGE unsigned long OMBRIXAUX_API GetGateway(int adapter);
/* 1 when the adapter is the family's dial-up adapter (told by its description). */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API IsDialup(int adapter);
OMBRIXAUX_LINKAGE int OMBRIXAUX_API GetDnsServerCount(void);
OMBRIXAUX_LINKAGE unsigned long OMBRIXAUX_API GetDnsServer(int n);
/* Zeroes max slots of addresses, then stores the first address of each adapter in table order (adapters
   whose first address is 0 are skipped), at most max; returns how many were stored. */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API GetLocalIpAddress(unsigned long* addresses, int max);

/* 1 when the packet driver's device opens now. */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API IsDriverLoaded(void);
/* 1 when the packet driver is registered with the system. */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API IsDriverInstalled(void);

/* --- Adapter IP configuration (stored settings, read by the TCP/IP stack at its next start) ---
   Each needs an adapter of the table with a configuration key (after RefreshByReg); 1 when every write
   succeeded. */

OMBRIXAUX_LINKAGE int OMBRIXAUX_API SetFixedIp(int adapter, unsigned long address);
OMBRIXAUX_LINKAGE int OMBRIXAUX_API SetDhcp(int adapter);
OMBRIXAUX_LINKAGE int OMBRIXAUX_API SetSubnet(int adapter, unsigned long mask);
/* A gateway of 0 means none. */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API SetGateway(int adapter, unsigned long gateway);

/* --- Dial-up idle time and password strings --- */

/* The idle time in minutes after which Windows hangs up the dial-up entry; 0 when unknown. NT keeps one
   setting for all entries. */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API GetDialupIdle(const char* entry);
/* 1 when written. On Windows 95/98 only an entry that already has its settings record is changed. */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API SetDialupIdle(const char* entry, int minutes);
/* Encodes the NUL-terminated text in (MIME Base64, CR LF after every 76 characters) into out, which holds
   4 characters per 3 input bytes (rounded up), 2 more per 76 output characters and the NUL; returns the
   length of the text written. */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API MakePWString(const unsigned char* in, unsigned char* out);
/* Decodes such a text into out (3 bytes per 4 input characters and the NUL); returns the number of bytes. */
OMBRIXAUX_LINKAGE int OMBRIXAUX_API UndoPWString(const unsigned char* in, unsigned char* out);

#ifdef __cplusplus
}
#endif

#endif
