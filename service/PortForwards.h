#pragma once
// CPortForwards: the forwards stored in section PortForward of Ombrix.Ini, sent to the packet driver once at
// every start, because the driver keeps none across restarts. The console adds and removes forwards in the
// driver itself while the service runs; the service never removes any.
//
// This build does not send them yet: the start-up step is in its place and does nothing.
class CPacketDriver;

class CPortForwards {
public:
    explicit CPortForwards(CPacketDriver& driver) : driver_(driver) {}
    CPortForwards(const CPortForwards&) = delete;
    CPortForwards& operator=(const CPortForwards&) = delete;

    /// Sends each stored forward to the driver, in key order; nothing in this build.
    void SendStored();

private:
    CPacketDriver& driver_;
};
