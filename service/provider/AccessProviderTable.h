#pragma once
// AccessProviderTable: the 136-byte record through which an access provider plug-in registers. The service
// (and the console, for its page) zero-fill it, set its size field and hand its address to the plug-in's
// export, which fills it. Little-endian, 32-bit fields unless stated, each read and written at its offset;
// function slots hold plain 32-bit function addresses. Every plug-in ever written for the product fills it
// this way, so no offset may move.
#include <cstddef>
#include <cstdint>

constexpr size_t kProviderTableSize = 136;
constexpr size_t kProviderSlotSize = 4;
/// Bytes kept behind the table for a plug-in that writes past its end (one built for a longer table, or a
/// faulty one): its writes land there instead of in whatever memory follows, and show it up.
constexpr size_t kProviderTableGuardSize = 1024;

// Field offsets.
constexpr size_t kProviderSizeOffset = 0;          ///< 16 bits: kProviderTableSize, kept by the plug-in
constexpr size_t kProviderPageFlagOffset = 68;     ///< non-zero: the plug-in offers a console page
constexpr size_t kProviderPageModuleOffset = 72;   ///< module that holds the page's dialog template
constexpr size_t kProviderPageCaptionOffset = 76;  ///< the page's tab caption, NUL-terminated
constexpr size_t kProviderPageCaptionLength = 20;
constexpr size_t kProviderDialogProcOffset = 96;  ///< the page's dialog procedure
constexpr size_t kProviderDialogTemplateOffset = 100;
constexpr size_t kProviderTabBitmapOffset = 104;   ///< may be 0
constexpr size_t kProviderInitialiseOffset = 108;  ///< no arguments; non-zero on success
constexpr size_t kProviderStartOffset = 112;       ///< no arguments; result not used
constexpr size_t kProviderStopOffset = 116;        ///< no arguments; result not used
constexpr size_t kProviderRetainOffset = 120;      ///< counts towards retaining the plug-in; never called
constexpr size_t kProviderAuthoriseOffset = 124;   ///< (hardware address, 6): non-zero serves the client
constexpr size_t kProviderLeaseOffset = 128;       ///< (hardware address, 6, address in network order)
constexpr size_t kProviderReleaseOffset = 132;     ///< (hardware address, 6)

static_assert(kProviderPageCaptionOffset + kProviderPageCaptionLength == kProviderDialogProcOffset,
              "the caption fills the gap up to the dialog procedure");
static_assert(kProviderReleaseOffset + kProviderSlotSize == kProviderTableSize,
              "the release slot is the table's last field");

/// The plug-in's one export (C calling convention, the table's address as its only argument).
constexpr char kProviderRegisterExport[] = "RegisterOmbrixAccessProvider";
/// The hardware address length every callback is given.
constexpr int kProviderHardwareLength = 6;

// Field access on a table in memory (kProviderTableSize bytes); the plug-in's side uses the same.
uint16_t ReadProviderU16(const uint8_t* table, size_t offset);
uint32_t ReadProviderU32(const uint8_t* table, size_t offset);
void WriteProviderU16(uint8_t* table, size_t offset, uint16_t value);
void WriteProviderU32(uint8_t* table, size_t offset, uint32_t value);

/// True when a function address can be stored in a 32-bit slot.
constexpr bool ProviderSlotCanHold(uintptr_t address)
{
    constexpr unsigned kSlotBits = 8 * kProviderSlotSize;
    return (static_cast<uint64_t>(address) >> kSlotBits) == 0;
}

/// The service's copy of the table.
class CAccessProviderTable {
public:
    CAccessProviderTable() { Prepare(); }

    /// Zero-fills the table and stores its size, as the plug-in must be given it, and marks the guard space
    /// behind it.
    void Prepare();

    /// The table's kProviderTableSize bytes, followed by kProviderTableGuardSize bytes of guard space.
    uint8_t* Bytes() { return bytes_; }
    const uint8_t* Bytes() const { return bytes_; }

    /// False when anything was written into the guard space since Prepare: the plug-in wrote past the
    /// table's end.
    bool GuardIntact() const;
    /// The mark Prepare leaves in guard byte `index` (0 is the first byte after the table). It differs from
    /// byte to byte, so that neither a run of zeros nor a run of any one value passes for it.
    static uint8_t GuardMark(size_t index);

    uint16_t SizeField() const { return ReadProviderU16(bytes_, kProviderSizeOffset); }
    /// The 32-bit value at `offset`; for a function slot 0 means "not filled".
    uint32_t Slot(size_t offset) const { return ReadProviderU32(bytes_, offset); }

private:
    // The plug-in writes its slots as 32-bit words; keep them on their natural boundary.
    alignas(kProviderSlotSize) uint8_t bytes_[kProviderTableSize + kProviderTableGuardSize];
};

/// The checks of a registration that come before the plug-in's initialise is called: the export returned
/// non-zero, nothing was written past the table, the size field still holds kProviderTableSize, the
/// authorise slot or the slot that stands in for it is filled, and the initialise slot is filled. The plug-in is retained only when these hold and its
/// initialise then returns non-zero.
bool ProviderRegistrationQualifies(int registerResult, const CAccessProviderTable& table);
