#include "DhcpPageModel.h"

#include "PageFields.h"

namespace {
DhcpApplyDecision Refusal(const char* message, DhcpField focus)
{
    DhcpApplyDecision d;
    d.step = DhcpApplyStep::Refuse;
    d.message = message;
    d.focus = focus;
    return d;
}
}  // namespace

DhcpPageView CDhcpPageModel::Load(bool answered, const uint8_t* reply, size_t length)
{
    changed_ = false;
    DhcpPageView view;
    view.prefix = kDhcpPrefixTemplate;
    if (!answered) {
        view.message = kPageCommFailureText;
        view.useEnabled = false;
        view.rangeEnabled = false;
        return view;
    }
    const IpcDhcpBlock status = IpcDecodeDhcpBlock(reply, length);
    view.useDhcp = status.useOrRunning != 0;
    view.lowText = std::to_string(static_cast<int32_t>(status.lowAddress));
    view.highText = std::to_string(static_cast<int32_t>(status.highAddress));
    view.prefix = FormatPagePrefix(status.network);
    view.rangeEnabled = view.useDhcp;
    return view;
}

DhcpApplyDecision CDhcpPageModel::Apply(const DhcpInputs& in)
{
    if (!changed_) {
        return DhcpApplyDecision();
    }
    if (!in.useDhcp) {
        return SendBlock(0, 0, 0);
    }
    // A refusal leaves the mark set: the next attempt to leave checks the fields again instead of letting
    // the refused range go unsent without a word.
    uint32_t low = 0, high = 0;
    if (!ReadUnsignedField(in.lowText, &low)) {
        return Refusal("Invalid Low DHCP Address. Please enter a number between 1 and 255.", DhcpField::Low);
    }
    if (!ReadUnsignedField(in.highText, &high)) {
        return Refusal("Invalid High DHCP Address. Please enter a number between 1 and 255.", DhcpField::High);
    }
    if (high < 1 || high > 254) {
        return Refusal("The High DHCP Address must be between 1 and 254", DhcpField::High);
    }
    if (low < 1 || low > 254) {
        return Refusal("The Low DHCP Address must be between 1 and 254", DhcpField::Low);
    }
    if (low >= high) {
        return Refusal("The High DHCP Address must be greater than the Low DHCP Address", DhcpField::High);
    }
    if (high - low <= 4) {
        pendingLow_ = low;
        pendingHigh_ = high;
        DhcpApplyDecision d;
        d.step = DhcpApplyStep::Confirm;
        d.message = "You have made allowances for 5 or less DHCP Addresses.\nAre you sure this is correct?";
        return d;
    }
    return SendBlock(1, low, high);
}

DhcpApplyDecision CDhcpPageModel::Confirmed(bool yes)
{
    if (!yes) {
        return Refusal(nullptr, DhcpField::None);
    }
    return SendBlock(1, pendingLow_, pendingHigh_);
}

const char* CDhcpPageModel::Sent(bool ok)
{
    changed_ = false;
    return ok ? nullptr : kPageSendFailureText;
}

DhcpApplyDecision CDhcpPageModel::SendBlock(uint32_t use, uint32_t low, uint32_t high)
{
    DhcpApplyDecision d;
    d.step = DhcpApplyStep::Send;
    IpcDhcpBlock block;
    block.size = kIpcDhcpBlockSize;
    block.useOrRunning = use;
    block.lowAddress = low;
    block.highAddress = high;
    block.network = 0;
    IpcEncodeDhcpBlock(block, d.block);
    return d;
}
