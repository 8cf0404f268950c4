#pragma once
// The DNS page's rules without its windows: what a status reply shows, line 1023 and the command that
// applying sends. No windows.h.
#include <cstddef>
#include <cstdint>
#include <string>

/// The client name-server line before a load fills it.
constexpr char kDnsLineTemplate[] = "Client Name Server IP: 198.168.0.1";

struct DnsPageView {
    bool relay = false;      ///< "Enable DNS Relaying" checked
    bool boxEnabled = true;  ///< disabled while the DHCP server runs (the relay follows it) or without the service
    bool lineShown = false;  ///< line 1023
    std::string lineText = kDnsLineTemplate;
    const char* message = nullptr;  ///< warning to show, null after a good load
};

/// The command IPC_SET_DNS_RELAY carries: the box's state and a second word 0.
struct DnsCommand {
    uint32_t word1 = 0;
    uint32_t word2 = 0;
};

class CDnsPageModel {
public:
    /// answered: IPC_GET_DNS_STATUS succeeded and reply holds length bytes. Clears the changed mark.
    DnsPageView Load(bool answered, const uint8_t* reply, size_t length);
    /// The box was clicked: the line is shown exactly while the box is checked. Sets the mark.
    bool Clicked(bool checked)
    {
        changed_ = true;
        return checked;
    }
    bool Changed() const { return changed_; }
    /// WM_PAGE_APPLY: true with the command to send when the box was changed; the mark is cleared. The
    /// page answers 1 either way.
    bool Apply(bool checked, DnsCommand* command);

private:
    bool changed_ = false;
};
