#!/usr/bin/env bash
# Pool exhaustion: with a pool of one address (LowAddress 2, HighAddress 3) held by a client that answers
# pings, a new client gets no offer and the server traces why. Once the holder has vanished and its lease
# has run out, the second reservation pass takes the address back for the newcomer; a running lease is
# never taken, since many computers answer no echo.
source "$(dirname "$0")/dhcp-lab-lib.sh"
e2e_begin dx

lab_up_with_ini "LowAddress=2" "HighAddress=3" "LeaseAddrTimeout=20"
check "the service starts" service_start
ipc dhcpstatus > "$work/status"
check "the pool is host 2 up to 3" grep -qz 'low=2.high=3' <(tr '\n' '.' < "$work/status")

# The holder keeps running with its address on eth0, as a real client does: it answers the probe.
udhcpc_start client pc-holder
poll 20 has_event client bound
echo "   holder: $(events client bound)"
check "the holder leases 192.168.0.2" test "$(field " $(events client bound)" address)" = 192.168.0.2

t0=$(now_ms)
line=$("$lab" client udhcpc client2 --hostname pc-late --timeout 6 2>&1)
echo "   $line ($(( $(now_ms) - t0 )) ms)"
check "the newcomer gets no lease" test "${line%% *}" = nolease
check "the server traced the exhausted pool" trace_has "Unable to reserve address for DHCPOFFER!"
offers() { [ "$(trace_count "------ Discover -------")" -ge 2 ]; }
check "the newcomer's DISCOVERs reached the server" offers

# The holder vanishes without a RELEASE: its address stops answering.
holder=$(udhcpc_pid_in client)
{ kill -KILL "$holder"; wait "$udhcpc_pid"; } 2>/dev/null
ip -n "$("$lab" path ns)client" addr flush dev eth0
# The newcomer keeps asking (each run retransmits for 15 s); its lease comes once the holder's has ended.
for attempt in 1 2 3; do
  line=$("$lab" client udhcpc client2 --hostname pc-late 2>&1)
  echo "   attempt $attempt: $line"
  [ "${line%% *}" = lease ] && break
done
check "the vanished holder's address goes to the newcomer" test "$(field "$line" address)" = 192.168.0.2
check "the holder's lease ran out first" trace_has "------ NackIt Client Lease -------"
ipc clients > "$work/clients"
sed 's/^/   /' "$work/clients"
check "the client list shows the newcomer on 192.168.0.2" grep -qx "client=pc-late 192.168.0.2 02:0c:00:00:00:02 access=1" "$work/clients"
check "the holder's entry, left with nothing, is gone" bash -c "! grep -q pc-holder '$work/clients'"
