#pragma once
// The service's one way to make its DHCP server: the service holds it by the interface of its switches and
// the control protocol, and needs no header of the server's own.
#include <memory>

#include "ServerComponent.h"

class IDhcpAccessProvider;

/// The DHCP server (CDhcpServer), which binds by `sharingMode` and asks `accessProvider` (may be null: no
/// plug-in) about each client. Not started.
std::unique_ptr<IDhcpServerComponent> CreateDhcpServer(int sharingMode, IDhcpAccessProvider* accessProvider = nullptr);
