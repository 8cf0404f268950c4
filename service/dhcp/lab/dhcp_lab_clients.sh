#!/usr/bin/env bash
# Four real DHCP clients lease addresses from OmbrixDaemon under Wine: udhcpc in client, dhclient, dhcpcd
# and systemd-networkd in client2. Each gets an address from the pool with router and DNS server
# 192.168.0.1 and the configured lease time; udhcpc then renews (the lease in Ombrix.dhcp starts anew) and
# releases (its entry leaves the console's client list), and the client list shows the clients with their
# host names.
source "$(dirname "$0")/dhcp-lab-lib.sh"
e2e_begin dc

# A lease time of our own, so that the clients show the configured one and not a default.
lease_time=600
lab_up_with_ini "LeaseAddrTimeout=$lease_time"
check "the service starts" service_start
check "the service log says the DHCP server started" service_log_has "DHCP Server Started"
check "the server bound to the LAN adapter's address (dual NIC mode)" trace_has "DHCP Server using IP: 100a8c0"

echo "== udhcpc in client: lease, renewal, release"
udhcpc_start client pc-udhcpc
poll 20 has_event client bound
bound=$(events client bound)
echo "   $bound"
check "udhcpc: address from the pool, router and DNS 192.168.0.1, lease $lease_time" \
  lease_ok "lease $bound mask=255.255.255.0" "$lease_time"
u_addr=$(field " $bound" address)
first_start=$(db_lease_start "$u_addr")
check "the lease is in Ombrix.dhcp" test -n "$first_start"
# The database counts in seconds: the renewal must come in a later second to show.
poll 3 test "$(date +%s)" -gt "${first_start:-0}"
u_pid=$(udhcpc_pid_in client)
kill -USR1 "$u_pid" 2>/dev/null
poll 10 has_event client renew
echo "   $(events client renew)"
check "udhcpc: the renewal is answered (ACK by unicast to its address)" has_event client renew
check "the server extended the lease" trace_has "Extending Client lease"
# The trace prints an address as its four bytes read as a little-endian number.
check "the ACK went to the client's own address" trace_has "Sending Response to $(printf '%x' $(( ${u_addr##*.} << 24 | 168 << 8 | 192 )))"
second_start=$(db_lease_start "$u_addr")
check "the renewal moved the lease's start in Ombrix.dhcp ($first_start -> $second_start)" \
  test "${second_start:-0}" -gt "${first_start:-0}"

echo "== dhclient, dhcpcd and systemd-networkd in client2"
for kind in dhclient dhcpcd networkd; do
  line=$("$lab" client "$kind" client2 --hostname "pc-$kind" --no-release 2>&1)
  echo "   $line"
  check "$kind: address from the pool, router and DNS 192.168.0.1, lease $lease_time" lease_ok "$line" "$lease_time"
done

echo "== the console's client list (IPC_GET_CLIENTS through ipcctl)"
ipc clients > "$work/clients"
sed 's/^/   /' "$work/clients"
check "udhcpc's client is listed with its host name and address" \
  grep -qx "client=pc-udhcpc $u_addr 02:0c:00:00:00:01 access=1" "$work/clients"
# The three clients of client2 share its hardware address, so they share one entry: the first one's name.
check "client2's client is listed with its host name" grep -Eq '^client=pc-dhclient 192\.168\.0\.[0-9]+ 02:0c:00:00:00:02 access=1$' "$work/clients"
check "two clients are listed" grep -qx "count=2" "$work/clients"
ipc dhcpstatus > "$work/status"
check "IPC_GET_DHCP_STATUS: running, pool 2..254 of 192.168.0.0" \
  grep -qz 'running=1.low=2.high=254.network=192.168.0.0' <(tr '\n' '.' < "$work/status")

kill -USR2 "$u_pid" 2>/dev/null
released() { trace_count "-------Release--------" | grep -qx 1; }
poll 10 released
check "udhcpc's RELEASE reached the server" released
ipc clients > "$work/clients-after"
check "the released client leaves the client list" sh -c "! grep -q 'pc-udhcpc' '$work/clients-after'"
check "the other client stays listed" grep -q '^client=pc-dhclient ' "$work/clients-after"
