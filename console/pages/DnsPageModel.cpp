#include "DnsPageModel.h"

#include "IpcWire.h"
#include "PageFields.h"

DnsPageView CDnsPageModel::Load(bool answered, const uint8_t* reply, size_t length)
{
    changed_ = false;
    DnsPageView view;
    if (!answered) {
        view.message = kPageCommFailureText;
        view.boxEnabled = false;
        return view;
    }
    const IpcDnsStatus status = IpcDecodeDnsStatus(reply, length);
    view.relay = status.relayRunning != 0;
    view.boxEnabled = status.dhcpRunning == 0;
    view.lineShown = view.relay;
    // The relay knows its LAN address once it exists, running or not; with it the line names the address
    // the clients are to use even when the box is checked only later, instead of the template's sample.
    if (view.relay || status.lanAddress != 0) {
        view.lineText = "Client DNS Server Address: " + FormatPageAddress(status.lanAddress);
    }
    return view;
}

bool CDnsPageModel::Apply(bool checked, DnsCommand* command)
{
    if (!changed_) {
        return false;
    }
    changed_ = false;
    command->word1 = checked ? 1 : 0;
    command->word2 = 0;
    return true;
}
