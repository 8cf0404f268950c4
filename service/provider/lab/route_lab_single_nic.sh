#!/usr/bin/env bash
# route_lab_single_nic.sh: the LAN route of single NIC mode, end to end in a network lab of its own (a tag of
# its own, removed on every way out). OmbrixDaemon runs under Wine's service control manager in base with
# the stand-in route.exe in its program folder, where the route command finds it before the system's own:
#   - in single NIC mode the route program runs once, with the pool's network through the address of the
#     adapter that has the default gateway (base's WAN side), and the service log shows the attempt and the
#     command line;
#   - in dual NIC mode nothing of the route happens.
# Prints one PASS/FAIL line per check and "N passed, N failed"; exit 1 when any failed.
# Needs the win64 build of OmbrixDaemon ombrixaux ombrixdrvctl ombrixdrv ipcctl route_standin.
set -uo pipefail
cd "$(dirname "$0")/../../.." || exit 1
export OMBRIX_LAB_TAG=${OMBRIX_LAB_TAG:-rt$(( $$ % 100000 ))}
export OMBRIX_LAB_OWNER=$$
lab=scripts/lab
bin=${OMBRIX_LAB_BIN:-build/win64/bin}
export OMBRIX_LAB_BIN=$bin
passed=0 failed=0

finish() { "$lab" down >/dev/null 2>&1; }
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
# The service log's messages, without their stamps ("MM/DD/YYYY  HH:MM:SS.mmm ").
log_messages() { tr -d '\r' < "$install/OmbrixDaemon.log" | cut -c26-; }
count_line() { log_messages | grep -cxF "$1"; }
write_ini() {  # write_ini MODE
  printf '%s\r\n' '[Application]' "OmbrixMode=$1" 'Enabled=1' 'UseDhcp=0' 'DnsRelay=0' \
    '[DHCP]' 'AssignedIp=192.168.0.1' > "$ini"
}

for f in OmbrixDaemon.exe ombrixaux.dll ombrixdrvctl.exe ombrix.sys ipcctl.exe route-standin/route.exe; do
  [ -f "$bin/$f" ] || { echo "route_lab_single_nic: $bin/$f missing (build the win64 targets first)"; exit 1; }
done

echo "== lab up (tag $OMBRIX_LAB_TAG)"
check "lab up" "$lab" up || exit 1
install=$("$lab" path install)
ini=$("$lab" path ini)
record=$install/route-calls.txt
expected='Route Add 192.168.0.0 Mask 255.255.255.0 10.99.0.2 Metric 1'
mkdir -p "$install"
cp "$bin/route-standin/route.exe" "$install/route.exe"

echo "== single NIC mode"
write_ini 1
check "service start" "$lab" service start
# The route program is started at start-up, before the service answers the console; it runs on its own.
check "the route program ran" poll 15 test -s "$record"
tr -d '\r' < "$record" | sed 's/^/   route.exe: /'
check "once, with the LAN route through the WAN adapter's address" test "$(tr -d '\r' < "$record")" = "$expected"
log_messages | sed 's/^/   log: /'
check "the log shows the attempt" test "$(count_line 'Attempting to Add Route')" = 1
check "the log shows the command line" test "$(count_line "$expected")" = 1
check "service stop" "$lab" service stop

echo "== dual NIC mode"
rm -f "$record"
write_ini 2
check "service start" "$lab" service start
check "service stop" "$lab" service stop
check "no route line in this run's log" test "$(count_line 'Attempting to Add Route')" = 1
check "the route program did not run" test ! -e "$record"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
