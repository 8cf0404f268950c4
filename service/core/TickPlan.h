#pragma once
#include <cstdint>

/// The steps one tick takes after polling the driver, decided from the driver's status flags.
struct TickPlan {
    bool dialOut = false;  ///< a client needs the Internet connection and AutoDial is on
    bool closeDnsInternetSocket = false;
    bool readNetAlarm = false;
    bool expireDnsQueries = false;
};

/// Decides the tick's steps; the status word is the last one the driver reported.
TickPlan PlanTick(uint32_t driverStatus, bool autoDial, bool dnsRelayExists);
