#!/usr/bin/env bash
# The DNS relay end to end: OmbrixDaemon under Wine in the lab's base namespace relays the queries of real
# clients to the lab's authoritative server (NSD in isp, zone lab.test.) in all three sharing modes.
#   dual NIC  dig from client; two clients with one query id each get their own answer; a query repeated
#             from a new port is answered there; an answer later than 15 s, and forged ones (the server's
#             address from another port, or port 53 with another question) are dropped while the true one
#             gets through; the relay switch over IPC stops and starts it.
#   single NIC the one adapter (wan0, 10.99.0.2) carries the clients too: the client is a second address on
#             the isp's side of that link; queries and answers leave through the one socket on port 53.
#   modem     the dial-up stand-in (RASAPI32.DLL, docs/standin-rasapi32.md): the first query dials and is
#             dropped, the next is answered; the driver's 0x2 notice closes the Internet side and the next
#             query opens it again.
# NSD is held (SIGSTOP) where a test needs queries to wait at the server. A machine that cannot run a lab
# fails this test (ctest counts exit 77 as a failure).
source "$(dirname "$0")/../../dhcp/lab/dhcp-lab-lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
e2e_begin dn
for t in dig tcpdump; do command -v "$t" >/dev/null || { echo "FAIL $t is missing"; exit 1; }; done
[ -f "$bin/RASAPI32.DLL" ] || { echo "FAIL $bin/RASAPI32.DLL is missing: build rasapi32_standin"; exit 1; }

CLIENT_IP=192.168.0.50
CLIENT2_IP=192.168.0.51
SINGLE_CLIENT_IP=10.99.0.10
WWW=10.99.0.80
MAIL=10.99.0.25

relay_ini() {  # relay_ini MODE: Ombrix.Ini for that mode, every address found by the relay itself
  local ini; ini=$("$lab" path ini)
  mkdir -p "$(dirname "$ini")"
  printf '%s\r\n' '[Application]' "OmbrixMode=$1" 'Enabled=1' 'UseDhcp=0' 'DnsRelay=1' 'Dialup=1' \
    '[DnsRelay]' 'InternalDnsListen=' 'InternetDnsListen=' 'DnsServer=' 'LogFile=C:\Ombrix\DnsRelay.log' \
    '[DialUp]' 'AutoDial=1' 'PhoneBookEntry=LabISP' 'Username=alice' 'Password=UHctczNjcmV0LTc3' > "$ini"
}
restart_in_mode() {  # the service stopped, its logs emptied, started again in MODE
  "$lab" service stop >/dev/null 2>&1
  rm -f "$(install_dir)/OmbrixDaemon.log" "$(install_dir)/DnsRelay.log"
  relay_ini "$1"
  service_start
}
relay_trace() { tr -d '\r' < "$(install_dir)/DnsRelay.log" 2>/dev/null | cut -c26-; }
relay_trace_has() { relay_trace | grep -xF -- "$1" >/dev/null; }
relay_trace_count() { relay_trace | grep -cxF -- "$1"; }
dig_short() {  # dig_short NS SERVER NAME [dig options...]: the answer's addresses, one per line
  local ns=$1 server=$2 name=$3; shift 3
  "$lab" exec "$ns" dig +time=2 +tries=1 +short "$@" "@$server" "$name" A 2>/dev/null | grep -E '^[0-9.]+$'
}
resolves() {  # resolves NS SERVER NAME ADDRESS [dig options...]
  local ns=$1 server=$2 name=$3 want=$4; shift 4
  dig_short "$ns" "$server" "$name" "$@" | grep -qxF "$want"
}
no_answer() { ! dig_short "$@" >/dev/null; }
ask() { local ns=$1; shift; "$lab" exec "$ns" python3 "$here/dnsq.py" ask "$@"; }
nsd_pids() {
  local p
  for p in $(ip netns pids "$("$lab" path ns)isp" 2>/dev/null); do
    case "$(cat "/proc/$p/comm" 2>/dev/null)" in nsd*) echo "$p" ;; esac
  done
}
# Only the server process: the main one would restart a child that stops answering it.
server_pid() { local p; for p in $(nsd_pids); do [ "$(cat "/proc/$p/comm")" = "nsd: server 1" ] && echo "$p"; done; }
hold_nsd() { kill -STOP "$(server_pid)"; }
release_nsd() { kill -CONT "$(server_pid)"; }
has_line() { grep -qE -- "$2" "$1"; }

"$lab" up >"$work/up.log" 2>&1 || { cat "$work/up.log"; echo "FAIL lab up"; exit 1; }
e2e_lab_made=1
check "the isp's NSD server process is there to hold" test -n "$(server_pid)"
"$lab" exec client ip addr add "$CLIENT_IP/24" dev eth0
"$lab" exec client2 ip addr add "$CLIENT2_IP/24" dev eth0

echo "== dual NIC mode"
relay_ini 2
check "the service starts" service_start
check "the service log says the relay started" service_log_has "DNS Server Started"
check "the DNS server is the adapters' first (10.99.0.1)" service_log_has "Using DNS Server: 10.99.0.1"
check "the LAN side took the adapter without a gateway" relay_trace_has "Internal DNS Server LocalAddress: 100a8c0"
check "the Internet side took the adapter with the gateway" relay_trace_has "External DNS Server LocalAddress: 200630a"
check "dig in client resolves www.lab.test through the relay" resolves client 192.168.0.1 www.lab.test "$WWW"
check "and mail.lab.test" resolves client 192.168.0.1 mail.lab.test "$MAIL"
check "the query was forwarded to the DNS server" relay_trace_has "Forwarding Request to: 10.99.0.1"
check "the answer went back to the client" relay_trace_has "Sending Reply to: $CLIENT_IP"

# Two clients, one id, both waiting at the server at once.
hold_nsd
ask client 192.168.0.1 www.lab.test --id 0x1234 --timeout 5 > "$work/pair1" 2>&1 &
p1=$!
ask client2 192.168.0.1 mail.lab.test --id 0x1234 --timeout 5 > "$work/pair2" 2>&1 &
p2=$!
sleep 0.7
release_nsd
wait $p1 $p2
sed 's/^/   client:  /' "$work/pair1"; sed 's/^/   client2: /' "$work/pair2"
check "two clients with id 0x1234: the first gets its own answer" has_line "$work/pair1" "id=0x1234 rcode=0 a=$WWW\$"
check "two clients with id 0x1234: the second gets its own answer" has_line "$work/pair2" "id=0x1234 rcode=0 a=$MAIL\$"

# The same query again from a new port while the first waits: the answer goes to the new port.
hold_nsd
ask client 192.168.0.1 www.lab.test --id 0x2222 --ports 40001,40002 --gap 0.3 --timeout 4 > "$work/repeat" 2>&1 &
p1=$!
sleep 1
release_nsd
wait $p1
sed 's/^/   /' "$work/repeat"
check "a repeated query from a new port is answered to the new port" has_line "$work/repeat" "^port=40002 id=0x2222 rcode=0 a=$WWW\$"
check "and not to the old one" has_line "$work/repeat" "^port=40001 none\$"

# Forged answers while the true one waits at the held server: the server's address from port 5353 with the
# right question, and from port 53 with another question, for every relay id handed out so far and more.
responses=$(relay_trace_count "Receive Response from: 10.99.0.1")
hold_nsd
ask client 192.168.0.1 www.lab.test --id 0x4444 --timeout 6 > "$work/forged" 2>&1 &
p1=$!
sleep 0.5
"$lab" exec isp python3 "$here/dnsq.py" forge 10.99.0.2 www.lab.test --src 10.99.0.1 --sport 5353 --ids 0-600 >/dev/null
"$lab" exec isp python3 "$here/dnsq.py" forge 10.99.0.2 evil.lab.test --src 10.99.0.1 --sport 53 --ids 0-600 >/dev/null
sleep 1
release_nsd
wait $p1
sed 's/^/   /' "$work/forged"
check "forged answers (wrong port, wrong question) do not reach the client; the true one does" \
  has_line "$work/forged" "id=0x4444 rcode=0 a=$WWW\$"
# Paced, so that the socket's queue keeps them (a few may still be lost to it on a busy machine).
check "the relay received the forged answers (at least 1000 of the 1202)" \
  test "$(relay_trace_count "Receive Response from: 10.99.0.1")" -ge $((responses + 1000))

# An answer after the 15 s: the tick has forgotten the query.
responses=$(relay_trace_count "Receive Response from: 10.99.0.1")
hold_nsd
ask client 192.168.0.1 www.lab.test --id 0x5555 --timeout 19 > "$work/late" 2>&1 &
p1=$!
sleep 16.5
release_nsd
wait $p1
sed 's/^/   /' "$work/late"
check "an answer later than 15 s is dropped" has_line "$work/late" "none\$"
check "the server did answer it (the relay received it)" \
  test "$(relay_trace_count "Receive Response from: 10.99.0.1")" -gt "$responses"

# The relay switch of the control protocol.
ipc dnsrelay 0 > /dev/null
check "IPC_SET_DNS_RELAY 0 stops the relay" service_log_has "DNS Server Stopped"
ipc dnsstatus > "$work/status-off"
check "IPC_GET_DNS_STATUS: not running" grep -qx "relay_running=0" "$work/status-off"
check "a stopped relay answers nothing" no_answer client 192.168.0.1 www.lab.test
ipc dnsrelay 1 > /dev/null
ipc dnsstatus > "$work/status-on"
check "IPC_SET_DNS_RELAY 1 starts it again" grep -qx "relay_running=1" "$work/status-on"
check "IPC_GET_DNS_STATUS names the LAN address" grep -qx "lan_address=192.168.0.1" "$work/status-on"
check "it answers again" resolves client 192.168.0.1 www.lab.test "$WWW"

echo "== single NIC mode"
restart_in_mode 1
check "the relay started in single NIC mode" service_log_has "DNS Server Started"
check "its one socket took the adapter with the gateway" relay_trace_has "Internal/External DNS Server LocalAddress: 200630a"
"$lab" exec isp ip addr add "$SINGLE_CLIENT_IP/24" dev wan0
"$lab" exec isp timeout 6 tcpdump -i wan0 -n -c 1 -l 'udp and src host 10.99.0.2 and src port 53 and dst port 53' \
  > "$work/single.pcap.txt" 2>/dev/null &
p1=$!
sleep 0.5
check "a client on the one adapter's link resolves www.lab.test" \
  resolves isp 10.99.0.2 www.lab.test "$WWW" -b "$SINGLE_CLIENT_IP"
wait $p1
check "the query left for the server from port 53 of the same socket" grep -q '10.99.0.2.53 > 10.99.0.1.53' "$work/single.pcap.txt"
check "the answer went back to the client" relay_trace_has "Sending Reply to: $SINGLE_CLIENT_IP"

echo "== modem mode with the dial-up stand-in"
"$lab" service stop >/dev/null 2>&1
cp "$bin/RASAPI32.DLL" "$(install_dir)/"
printf '%s\r\n' '[device Lab Modem]' 'type = modem' '[entry LabISP]' 'device = Lab Modem' 'user = alice' \
  'password = Pw-s3cret-77' 'outcome = connected' 'delay = 200' > "$(install_dir)/rasfixture.ini"
rm -f "$(install_dir)/rasstate.txt" "$(install_dir)/rasjournal.txt"
"$lab" wine reg add 'HKCU\Software\Wine\AppDefaults\OmbrixDaemon.exe\DllOverrides' /v rasapi32 /t REG_SZ /d native /f \
  >/dev/null 2>&1
restart_in_mode 0
check "the relay started in modem mode with its LAN side only" service_log_has "DNS Server Started"
check "its LAN side took the adapter without a gateway" relay_trace_has "Internal DNS Server LocalAddress: 100a8c0"
check "the first query finds no connection: dropped" no_answer client 192.168.0.1 www.lab.test
check "and it dialled" poll 10 service_log_has "Attempting to dial-out: Phonebook: LabISP, Username: alice"
check "the dial connected" poll 10 service_log_has "Dial-out successfull"
check "the next query is answered" resolves client 192.168.0.1 www.lab.test "$WWW"
check "the DNS server was found once the connection was up" service_log_has "Using DNS Server: 10.99.0.1"
forwards=$(relay_trace_count "Forwarding Request to: 10.99.0.1")
"$lab" wine "$bin/ombrixdrvctl.exe" set-bits 0x2 >/dev/null 2>&1
check "the driver's 0x2 notice closes the Internet side" poll 5 relay_trace_has "Closing DNS Socket to internet"
"$lab" wine "$bin/ombrixdrvctl.exe" clear-bits 0x2 >/dev/null 2>&1
sleep 1.2
check "the next query opens it again and is answered" resolves client 192.168.0.1 www.lab.test "$WWW"
check "it was forwarded once more" test "$(relay_trace_count "Forwarding Request to: 10.99.0.1")" -gt "$forwards"
