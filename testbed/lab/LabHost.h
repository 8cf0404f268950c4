#pragma once
// What a Windows program in the lab's base computer learns about its own host: the host name and the
// addresses it resolves to (the adapter inventory prunes by them), the computer name, the DNS servers of
// the IP Helper (the DNS relay forwards to the first), and the IP Helper's view of the adapters.
#include <cstdint>
#include <string>
#include <vector>

namespace lab {

struct HostNameInfo {
    bool named = false;  // gethostname answered
    std::string name;
    bool resolved = false;  // gethostbyname(name) answered
    std::vector<uint32_t> addresses;
};

/// gethostname, then gethostbyname on that name. Winsock must be started.
HostNameInfo ReadHostName();

/// Prints every line of the "host" check; returns 0 when the name resolves to at least one address.
int ReportHost();

}  // namespace lab
