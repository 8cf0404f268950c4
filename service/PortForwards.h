#pragma once
// CPortForwards: the forwards stored in section PortForward of Ombrix.Ini, sent to the packet driver once at
// every start, because the driver keeps none across restarts. The console adds and removes forwards in the
// driver itself while the service runs; the service never removes any.
class CPacketDriver;

class CPortForwards {
public:
    explicit CPortForwards(CPacketDriver& driver) : driver_(driver) {}
    CPortForwards(const CPortForwards&) = delete;
    CPortForwards& operator=(const CPortForwards&) = delete;

    /// Sends each stored forward to the driver in key order ("PortForward0", "PortForward1", ...), up to the
    /// first missing or empty key. An entry with fewer than six numbers is skipped; one the driver refuses
    /// ends the pass. Nothing is logged, and nothing is sent without a driver handle.
    void SendStored();

private:
    CPacketDriver& driver_;
};
