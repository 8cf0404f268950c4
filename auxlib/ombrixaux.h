/* ombrixaux: the adapter helper library shared by the service, the console, the wizard and the diagnostics
   report. Its exports are plain functions with the __stdcall convention, exported by their plain names. */
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

#ifdef __cplusplus
}
#endif

#endif
