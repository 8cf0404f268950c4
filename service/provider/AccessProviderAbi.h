#pragma once
// AccessProviderAbi: the calls between the service and an access provider plug-in, as the plug-in is
// compiled for them. The 32-bit build is the product's own: a slot is a function address, exactly 4 bytes.
// The 64-bit build of the test bed keeps the same table; its plug-ins are linked at a fixed base below
// 4 GB, so each of their function addresses still fits a slot (the service checks that at load).
#include <cstdint>

#include "AccessProviderTable.h"

#if defined(_WIN32)
#define OMBRIX_PROVIDER_CALLBACK    __stdcall
#define OMBRIX_PROVIDER_EXPORT_CALL __cdecl
#else
#define OMBRIX_PROVIDER_CALLBACK
#define OMBRIX_PROVIDER_EXPORT_CALL
#endif

extern "C" {
/// "RegisterOmbrixAccessProvider": fills the table it is given; non-zero on success.
typedef int(OMBRIX_PROVIDER_EXPORT_CALL* ProviderRegisterFn)(void* table);
/// Slots 108, 112 and 116. Without arguments both of the system's calling conventions are the same call.
typedef int(OMBRIX_PROVIDER_EXPORT_CALL* ProviderInitialiseFn)(void);
typedef int(OMBRIX_PROVIDER_EXPORT_CALL* ProviderStartFn)(void);
typedef int(OMBRIX_PROVIDER_EXPORT_CALL* ProviderStopFn)(void);
/// Slot 124: non-zero serves the client.
typedef int(OMBRIX_PROVIDER_CALLBACK* ProviderAuthoriseFn)(const unsigned char* hardwareAddress, int length);
/// Slot 128: the client was given `address` (network order).
typedef void(OMBRIX_PROVIDER_CALLBACK* ProviderLeaseFn)(const unsigned char* hardwareAddress, int length,
                                                        uint32_t address);
/// Slot 132: the client gave its address back, or its lease ran out.
typedef void(OMBRIX_PROVIDER_CALLBACK* ProviderReleaseFn)(const unsigned char* hardwareAddress, int length);
}

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(void*) == kProviderSlotSize, "a slot holds a pointer of the product's build");
static_assert(sizeof(ProviderRegisterFn) == kProviderSlotSize, "function addresses fill a slot exactly");
static_assert(sizeof(ProviderInitialiseFn) == kProviderSlotSize, "function addresses fill a slot exactly");
static_assert(sizeof(ProviderAuthoriseFn) == kProviderSlotSize, "function addresses fill a slot exactly");
static_assert(sizeof(ProviderLeaseFn) == kProviderSlotSize, "function addresses fill a slot exactly");
static_assert(sizeof(ProviderReleaseFn) == kProviderSlotSize, "function addresses fill a slot exactly");
#endif

/// The function a filled slot names, as a pointer of type Fn (a 32-bit slot widens without loss).
template <typename Fn> Fn ProviderSlotFunction(uint32_t slot)
{
    return reinterpret_cast<Fn>(static_cast<uintptr_t>(slot));
}

/// The slot value of a function. Only valid when ProviderSlotCanHold(its address); plug-ins check that.
template <typename Fn> uint32_t ProviderFunctionSlot(Fn function)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(function));
}
