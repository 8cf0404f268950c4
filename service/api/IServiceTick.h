#pragma once
// IServiceTick: what the control window's one-second timer asks of the service. The window only knows that
// a second has passed; what the service does with it (poll the driver, dial, read alarms) stays with the
// service.
class IServiceTick {
public:
    virtual ~IServiceTick() = default;
    /// One tick, on the control window's thread.
    virtual void Tick() = 0;
};
