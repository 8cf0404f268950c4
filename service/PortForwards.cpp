#include "PortForwards.h"

#include "OmbrixIni.h"
#include "PacketDriver.h"
#include "PortForwardValue.h"

void CPortForwards::SendStored()
{
    if (!driver_.IsOpen())
        return;
    for (int index = 0;; ++index) {
        char value[kPortForwardValueBuffer] = "";
        COmbrixIni::ReadString(kPortForwardSection, PortForwardKeyName(index).c_str(), "", value, sizeof value);
        if (value[0] == '\0')
            return;
        int32_t fields[kPortForwardFieldCount];
        if (!ParsePortForwardValue(value, fields))
            continue;
        if (!driver_.AddForward(PortForwardFromFields(fields)))
            return;
    }
}
