// exports_link_check: calls every export of ombrixaux once, so that each build proves at link time that
// the public header and the export list agree (on i686, that each decorated name of the header is in the
// import library made from ombrixaux.def). Built, never run.
#include "ombrixaux.h"
int main()
{
    char b[128];
    unsigned long a[2];
    unsigned char o[16];
    int s = GetOs() + Refresh() + RefreshByReg() + GetAdapterCount() + GetAdapterName(0, b, 128) +
            GetMacAddress(0, b, 6) + IsDhcp(0) + GetIpCount(0) + (int)GetIpAddress(0, 0) + (int)GetSubnetMask(0) +
            (int)GetGateway(0) + IsDialup(0) + GetDnsServerCount() + (int)GetDnsServer(0) + GetLocalIpAddress(a, 2) +
            IsDriverLoaded() + IsDriverInstalled() + SetFixedIp(0, 1) + SetDhcp(0) + SetSubnet(0, 1) +
            SetGateway(0, 0) + GetDialupIdle("x") + SetDialupIdle("x", 1) + MakePWString((const unsigned char*)"a", o) +
            UndoPWString((const unsigned char*)"YQ==", o);
    ClearAdapterInfo();
    return s;
}
