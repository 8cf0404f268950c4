#include "TickPlan.h"

#include "DriverRecords.h"

TickPlan PlanTick(uint32_t driverStatus, bool autoDial, bool dnsRelayExists)
{
    TickPlan plan;
    plan.dialOut = autoDial && (driverStatus & kDriverStatusDialNeeded) != 0;
    plan.closeDnsInternetSocket = dnsRelayExists && (driverStatus & kDriverStatusCloseDns) != 0;
    plan.readNetAlarm = (driverStatus & kDriverStatusAlarms) != 0;
    plan.expireDnsQueries = dnsRelayExists;
    return plan;
}
