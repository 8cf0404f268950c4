#pragma once
// The DHCP page's rules without its windows: what a status reply shows, the changed mark, the order in
// which applying checks the range and the block it sends. No windows.h.
#include <cstddef>
#include <cstdint>
#include <string>

#include "IpcWire.h"
#include "PageFields.h"

/// Text of the prefix fields before a load fills them.
constexpr char kDhcpPrefixTemplate[] = "255.255.255.";
/// The host number fields take at most this many characters.
constexpr int kDhcpFieldLimit = 3;

/// What a load puts into the page.
struct DhcpPageView {
    bool useDhcp = false;           ///< "&Use DHCP" checked
    std::string lowText;            ///< low host number field
    std::string highText;           ///< high host number field
    std::string prefix;             ///< both prefix fields
    bool useEnabled = true;         ///< the check box
    bool rangeEnabled = true;       ///< both host number fields
    const char* message = nullptr;  ///< warning to show, null after a good load
};

/// The fields of applying.
enum class DhcpField { None, Low, High };

struct DhcpInputs {
    bool useDhcp = false;
    std::string lowText;
    std::string highText;
};

enum class DhcpApplyStep {
    Nothing,  ///< no change: answer 1, nothing sent
    Refuse,   ///< show message (plain OK box), focus the field (if any), answer 0
    Confirm,  ///< ask message (Yes/No), then call Confirmed with the answer
    Send,     ///< send block with IPC_SET_DHCP, then Sent with the result
};

struct DhcpApplyDecision {
    DhcpApplyStep step = DhcpApplyStep::Nothing;
    const char* message = nullptr;
    DhcpField focus = DhcpField::None;
    uint8_t block[kIpcDhcpBlockSize] = {};
};

class CDhcpPageModel {
public:
    /// answered: IPC_GET_DHCP_STATUS succeeded and reply holds length bytes. Clears the changed mark.
    DhcpPageView Load(bool answered, const uint8_t* reply, size_t length);
    /// The range fields follow the check box.
    static bool RangeEnabledFor(bool useDhcp) { return useDhcp; }

    /// The user changed the check box or a field.
    void MarkChanged() { changed_ = true; }
    bool Changed() const { return changed_; }

    /// First step of WM_PAGE_APPLY.
    DhcpApplyDecision Apply(const DhcpInputs& in);
    /// The answer to the Confirm step: Send, or Refuse without a message or focus.
    DhcpApplyDecision Confirmed(bool yes);
    /// After the send: the message to show when it failed (null otherwise). The page then answers 1.
    const char* Sent(bool ok);

private:
    DhcpApplyDecision SendBlock(uint32_t use, uint32_t low, uint32_t high);

    bool changed_ = false;
    uint32_t pendingLow_ = 0;
    uint32_t pendingHigh_ = 0;
};
