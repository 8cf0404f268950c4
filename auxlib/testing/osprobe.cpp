// osprobe: prints what GetOs reports, twice ("first second"), and exits with the first value. The Wine
// tests start it under a chosen Windows version.
#include <cstdio>

#include "ombrixaux.h"

int main()
{
    OsType first = GetOs();
    OsType second = GetOs();
    printf("%d %d\n", static_cast<int>(first), static_cast<int>(second));
    fflush(stdout);
    return static_cast<int>(first);
}
