/* OsType: the Windows family a program runs on, as GetOs reports it. Every program picks its per-platform
   path by it. Kept free of C++ so that the public header of ombrixaux stays usable from C. */
#ifndef OMBRIX_AUXLIB_OSTYPE_H
#define OMBRIX_AUXLIB_OSTYPE_H

typedef enum OsType {
    Win95 = 0,    /* 9x platform, minor version 0 */
    Win98 = 1,    /* 9x platform, any other minor version (98, Me) */
    WinNT4 = 2,   /* NT platform, major version 4 */
    Win2000 = 3,  /* NT platform, major version 5 */
    OsUnknown = 4 /* not detected yet, or any other platform */
} OsType;

#endif
