// What the registry methods of the three families share: the network class test, reading an address
// value, and the bounds of the walks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "RegistryAccess.h"

// Descriptions are read with room for far more than the record keeps, so that a long one is cut rather
// than lost.
constexpr size_t kDescriptionBuffer = 512;
constexpr size_t kClassBuffer = 64;
// Registry trees of devices are a few levels deep; the bound only keeps a walk from running away.
constexpr int kMaxWalkDepth = 32;

// Whether the key's "Class" value is longer than one byte and says "Net" (in any case).
bool IsNetClassKey(const CRegKey& key);

// The first dotted address of a value read into a buffer of bufferSize bytes; 0 when it is missing.
uint32_t ReadAddressValue(const CRegKey& key, const std::string& name, size_t bufferSize);
