#pragma once
// The service's one way to make its DNS relay: it holds it by the interface of the switches and the tick.
#include <memory>

#include "DnsRelayHost.h"
#include "ServerComponent.h"

/// Section DnsRelay of Ombrix.Ini: the three addresses, read once here.
DnsRelayConfig ReadDnsRelayConfig();

/// The relay (CDnsRelay) for `sharingMode`, with the settings read now. `internet` (may be null: no dial-up)
/// is asked whether a connection is up and for a dial in modem mode. Not started.
std::unique_ptr<IDnsRelayComponent> CreateDnsRelay(int sharingMode, IDnsInternetConnection* internet);
