#pragma once
// IDialOnDemand: how a component asks for the Internet connection to be dialled. The DNS relay in modem mode
// needs a dial when a client's query finds its Internet side closed; it is given this, not the service.

/// The dial returned without dialling because dial-up is switched off or not configured.
constexpr int kDialNotConfigured = -1;
/// A dial was started, or none was needed (a connection exists or a dial is under way).
constexpr int kDialUnderWay = 0;

class IDialOnDemand {
public:
    virtual ~IDialOnDemand() = default;
    /// Starts a dial-out when one is needed. Returns kDialUnderWay, kDialNotConfigured, or the error of
    /// loading the dial-up library or of starting the dial.
    virtual int Dial() = 0;
};
