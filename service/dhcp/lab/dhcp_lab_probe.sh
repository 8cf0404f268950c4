#!/usr/bin/env bash
# The address probe: a host in client2 that answers pings on a pool address (192.168.0.2, the first one)
# makes the server skip that address, and once it falls silent the address is handed out again.
source "$(dirname "$0")/dhcp-lab-lib.sh"
e2e_begin dp

lab_up_with_ini
check "the service starts" service_start
"$lab" exec client2 ip addr add 192.168.0.2/24 dev eth0
answers() { "$lab" exec base ping -c 1 -W 1 192.168.0.2 >/dev/null; }
check "client2 answers pings on 192.168.0.2" answers

t0=$(now_ms)
line=$("$lab" client udhcpc client --hostname pc-probed 2>&1)
echo "   $line"
check "udhcpc gets a lease" lease_ok "$line" 900
check "the address that answered is skipped: udhcpc gets 192.168.0.3" test "$(field "$line" address)" = 192.168.0.3
check "the offer was made for 192.168.0.3" trace_has "CDHCPPacket::AddOffer() for 192.168.0.3"
check "no offer was made for 192.168.0.2" sh -c "! tr -d '\r' < '$(install_dir)/DhcpServer.log' | grep -q 'AddOffer() for 192.168.0.2'"
# The silent candidate costs the probe's full second; the answering one next to nothing.
echo "   lease in $(( $(now_ms) - t0 )) ms"

"$lab" exec client2 ip addr del 192.168.0.2/24 dev eth0
line=$("$lab" client dhclient client2 --hostname pc-late 2>&1)
echo "   $line"
check "once silent, 192.168.0.2 is handed out again" test "$(field "$line" address)" = 192.168.0.2
