#!/usr/bin/env bash
# A client's lease survives a restart of the service: the stop saves the client table to Ombrix.dhcp, the
# next start loads it, the console lists the client again, and the client's next DISCOVER is offered the
# address it had.
source "$(dirname "$0")/dhcp-lab-lib.sh"
e2e_begin dr

lab_up_with_ini
check "the service starts" service_start
line=$("$lab" client udhcpc client --hostname pc-keep 2>&1)
echo "   $line"
check "udhcpc gets a lease" lease_ok "$line" 900
addr=$(field "$line" address)

"$lab" service stop >/dev/null 2>&1
stopped() { ! "$lab" service status >/dev/null 2>&1; }
check "the service stops" stopped
check "the stop logged the server's stop" service_log_has "DHCP Server Stopped"
check "the stop saved the lease to Ombrix.dhcp" test -n "$(db_lease_start "$addr")"
echo "   Ombrix.dhcp: $(db_entries | tr '\n' ';')"

check "the service starts again" service_start
loads() { [ "$(trace_count "CDhcpServer::LoadClientList()")" = 2 ]; }
check "the second start loaded the database again" loads
ipc clients > "$work/clients"
sed 's/^/   /' "$work/clients"
check "the client is listed again after the restart" grep -qx "client=pc-keep $addr 02:0c:00:00:00:01 access=1" "$work/clients"

line=$("$lab" client udhcpc client --hostname pc-keep 2>&1)
echo "   $line"
check "the client's next DISCOVER gets the same address" test "$(field "$line" address)" = "$addr"
check "it was recognised as the existing entry" trace_has "Updating EXISTING client entry: id: 01 02 0C 00 00 00 01 "
