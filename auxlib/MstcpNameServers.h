// The DNS servers Windows 95/98 are configured with for static adapters: the comma-separated NameServer
// value of the MSTCP key.
#pragma once

#include <cstdint>
#include <vector>

#include "RegistryAccess.h"

constexpr size_t kMstcpNameServerBuffer = 200;
constexpr size_t kMstcpNameServersMax = 10;
constexpr char kMstcpNameServerSeparator = ',';

// Up to kMstcpNameServersMax nonzero addresses; empty when the key or value is missing.
std::vector<uint32_t> ReadMstcpNameServers(IRegistry& registry);
