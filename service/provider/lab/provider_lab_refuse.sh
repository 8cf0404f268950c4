#!/usr/bin/env bash
# provider_lab_refuse.sh: the access provider plug-in, end to end in a network lab of its own (a tag of its
# own, removed on every way out). OmbrixDaemon runs under Wine's service control manager in base, dual NIC
# mode, with the test bed plug-in provider_journal.dll named in Ombrix.Ini; the plug-in refuses client's
# hardware address and writes down every call it gets:
#   - the service loads, initialises and starts the plug-in;
#   - client (udhcpc) is refused: a NAK from the server, no lease, the refusal in the plug-in's journal and
#     the NAK in the DHCP log;
#   - client2 (udhcpc) gets a lease; the plug-in hears of it, and of the RELEASE udhcpc sends on SIGUSR2;
#   - the plug-in is stopped when the service ends, and nothing reaches it after that.
# Prints one PASS/FAIL line per check and "N passed, N failed"; exit 1 when any failed.
# Needs the win64 build of OmbrixDaemon ombrixaux ombrixdrvctl ombrixdrv ipcctl test_providers.
set -uo pipefail
cd "$(dirname "$0")/../../.." || exit 1
export OMBRIX_LAB_TAG=${OMBRIX_LAB_TAG:-ap$(( $$ % 100000 ))}
export OMBRIX_LAB_OWNER=$$
lab=scripts/lab
bin=${OMBRIX_LAB_BIN:-build/win64/bin}
export OMBRIX_LAB_BIN=$bin
work=$(mktemp -d /tmp/ombrix-provider-lab.XXXXXX)
passed=0 failed=0
bg_pids=()

finish() {
  local p
  for p in "${bg_pids[@]}"; do kill "$p" 2>/dev/null; done
  "$lab" down >/dev/null 2>&1
  rm -rf "$work"
}
trap finish EXIT
trap 'exit 130' INT TERM

now_ms() { date +%s%3N; }
check() {  # check NAME CONDITION-CMD...: one PASS/FAIL line
  local name=$1; shift
  if "$@"; then echo "PASS $name"; passed=$((passed + 1)); else echo "FAIL $name"; failed=$((failed + 1)); fi
}
poll() {  # poll SECONDS CMD...: bounded wait for a condition
  local deadline=$(( $(now_ms) + $1 * 1000 )); shift
  until "$@" >/dev/null 2>&1; do [ "$(now_ms)" -lt "$deadline" ] || return 1; sleep 0.05; done
}
journal() { tr -d '\r' < "$install/provider_journal.calls" 2>/dev/null; }
journal_has() { journal | grep -qxF "$1"; }
journal_last_is() { [ "$(journal | tail -n 1)" = "$1" ]; }
# capture NS IF FILE: tcpdump's decoded DHCP lines in the background, returned once it listens. Started
# through ip netns exec itself, which becomes tcpdump, so that the pid is tcpdump's own.
capture() {
  ip netns exec "$("$lab" path ns)$1" tcpdump -i "$2" -n -vv -l 'udp port 67 or udp port 68' > "$3" 2> "$3.err" &
  bg_pids+=($!)
  echo $! > "$3.pid"
  poll 5 grep -q 'listening on' "$3.err"
}
stop_capture() { local p; p=$(cat "$1.pid"); kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; }

refused_mac=02:0c:00:00:00:01   # client
served_mac=02:0c:00:00:00:02    # client2

for f in OmbrixDaemon.exe ombrixaux.dll ombrixdrvctl.exe ombrix.sys ipcctl.exe provider_journal.dll; do
  [ -f "$bin/$f" ] || { echo "provider_lab_refuse: $bin/$f missing (build the win64 targets first)"; exit 1; }
done

echo "== lab up (tag $OMBRIX_LAB_TAG)"
check "lab up" "$lab" up || exit 1
install=$("$lab" path install)
mkdir -p "$install"
cp "$bin/provider_journal.dll" "$install/"
printf '%s\r\n' "$refused_mac" > "$install/provider_journal.refuse"
printf '%s\r\n' '[Application]' 'OmbrixMode=2' 'Enabled=1' 'UseDhcp=1' 'DnsRelay=0' \
  '[DHCP]' 'LocalAddress=' 'LogFile=C:\Ombrix\DhcpServer.log' \
  '[AuthProvider]' 'DllName=C:\Ombrix\provider_journal.dll' > "$("$lab" path ini)"

echo "== the service loads the plug-in"
check "service start" "$lab" service start
journal | sed 's/^/   journal: /'
check "registered with a table of 136 bytes" journal_has 'register size=136'
check "initialised" journal_has 'initialise'
check "started" journal_has 'start'

echo "== client is refused"
capture client eth0 "$work/client.txt"
"$lab" client udhcpc client --timeout 20 > "$work/lease-client"; client_rc=$?
stop_capture "$work/client.txt"
sed 's/^/   /' "$work/lease-client"
grep -E 'DHCP-Message|Server-ID|>' "$work/client.txt" | sed 's/^/   client eth0: /' | head -40
check "no lease" test "$client_rc" = 1
check "the server answered with a NAK" grep -q 'DHCP-Message (53), length 1: NACK' "$work/client.txt"
check "and never with an offer" sh -c "! grep -q 'DHCP-Message (53), length 1: Offer' '$work/client.txt'"
check "the plug-in refused it" journal_has "authorise $refused_mac length=6 serve=0"
check "the DHCP log has the NAK" sh -c "tr -d '\r' < '$install/DhcpServer.log' | grep -q -- '-------- Nack -------'"

echo "== client2 is served"
capture client2 eth0 "$work/client2.txt"
# udhcpc gives the address back on SIGUSR2: a RELEASE with the server identifier (networkd's has none, and
# the server ignores a RELEASE without one), sent from the leased address, so the hook puts it on client2's
# interface while the lease lasts.
cat > "$work/hook" <<'HOOK'
#!/bin/sh
case "$1" in
  bound|renew) ip addr replace "$ip/24" dev "$interface" ;;
  deconfig) ip addr flush dev "$interface" ;;
esac
HOOK
chmod +x "$work/hook"
"$lab" exec client2 udhcpc -i eth0 -f -n -t 3 -T 5 -p "$work/udhcpc.pid" -s "$work/hook" \
  > "$work/udhcpc-client2" 2>&1 &
bg_pids+=($!)
poll 30 grep -q 'lease of .* obtained' "$work/udhcpc-client2"; client2_rc=$?
udhcpc_pid=$(cat "$work/udhcpc.pid" 2>/dev/null)
address=$(sed -n 's/.*lease of \([0-9.]*\) obtained.*/\1/p' "$work/udhcpc-client2")
check "a lease" test "$client2_rc" = 0 -a -n "$address"
check "the plug-in served it" journal_has "authorise $served_mac length=6 serve=1"
check "the plug-in heard of the lease" journal_has "lease $served_mac length=6 address=$address"
[ -n "$udhcpc_pid" ] && kill -USR2 "$udhcpc_pid" 2>/dev/null
check "client2 gave the address back" poll 10 grep -q 'unicasting a release' "$work/udhcpc-client2"
check "the plug-in heard of the release" poll 10 journal_has "release $served_mac length=6"
[ -n "$udhcpc_pid" ] && kill "$udhcpc_pid" 2>/dev/null
sed 's/^/   udhcpc: /' "$work/udhcpc-client2"
poll 5 grep -q 'DHCP-Message (53), length 1: Release' "$work/client2.txt"
stop_capture "$work/client2.txt"
grep -E 'DHCP-Message|Server-ID' "$work/client2.txt" | sed 's/^/   client2 eth0: /'
release_names_server() {
  grep -A3 'DHCP-Message (53), length 1: Release' "$work/client2.txt" | grep -q 'Server-ID (54), length 4: 192.168.0.1'
}
check "the RELEASE named the server" release_names_server

echo "== the service ends"
check "service stop" "$lab" service stop
check "the plug-in was stopped last" poll 10 journal_last_is 'stop'
journal | sed 's/^/   journal: /'

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
