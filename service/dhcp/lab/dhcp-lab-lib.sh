# Sourced by the DHCP server's end-to-end tests (dhcp_lab_*.sh). Each test brings up a network lab of its own
# tag (scripts/lab, docs/lab.md), runs OmbrixDaemon under Wine in base with the settings it writes, drives
# real DHCP clients in client and client2, and takes the lab down on every way out. Every wait is a poll
# with a bound. Output: one PASS/FAIL line per check, then "N passed, N failed"; exit 1 when any failed,
# 77 when the machine cannot run a lab (not root, lab tools missing): ctest counts it as a failure.
set -uo pipefail
e2e_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
lab=$e2e_root/scripts/lab
export OMBRIX_LAB_BIN=${OMBRIX_LAB_BIN:-$e2e_root/build/win64/bin}
bin=$OMBRIX_LAB_BIN
export OMBRIX_LAB_OWNER=$$
# The lab runs Wine on a prefix and server of its own; an outer test session's must not leak into it.
unset WINEPREFIX OMBRIX_WINE_SESSION
readonly E2E_SKIP=77
passed=0 failed=0
bg_pids=()
work=$(mktemp -d /tmp/ombrix-dhcp-e2e.XXXXXX)
e2e_t0=$(date +%s%3N)

now_ms() { date +%s%3N; }

e2e_finish() {
  local rc=$? p
  for p in "${bg_pids[@]}"; do { kill -KILL "$p"; wait "$p"; } 2>/dev/null; done
  if [ "${e2e_lab_made:-0}" = 1 ]; then
    if [ "$failed" != 0 ] || [ -n "${OMBRIX_E2E_VERBOSE:-}" ]; then
      echo "== service log and DHCP component log (last 60 lines)"
      "$lab" service log 2>/dev/null | tail -60 | sed 's/^/   /'
    fi
    "$lab" down >/dev/null 2>&1
  fi
  rm -rf "$work"
  [ "$rc" = "$E2E_SKIP" ] && exit "$E2E_SKIP"
  echo "$passed passed, $failed failed ($(( $(now_ms) - e2e_t0 )) ms)"
  [ "$failed" = 0 ] && [ "$rc" = 0 ] && exit 0
  exit 1
}

# e2e_begin NAME: (two or three letters: the lab tag is NAME and the pid) checks what a lab needs, names the lab, arms the clean-up.
e2e_begin() {
  export OMBRIX_LAB_TAG=$1$(( $$ % 100000 ))
  trap e2e_finish EXIT
  trap 'exit 130' INT TERM
  if [ "$(id -u)" != 0 ]; then echo "skipped: a network lab needs root"; exit "$E2E_SKIP"; fi
  local t
  for t in ip udhcpc dhclient dhcpcd nsd python3; do
    command -v "$t" >/dev/null || { echo "skipped: $t is missing (scripts/bootstrap installs the lab's tools)"; exit "$E2E_SKIP"; }
  done
  for t in OmbrixDaemon.exe ombrixaux.dll ombrixdrvctl.exe ombrix.sys ipcctl.exe; do
    [ -f "$bin/$t" ] || { echo "FAIL $bin/$t is missing: build the win64 targets first"; failed=1; exit 1; }
  done
  echo "== $1 (lab tag $OMBRIX_LAB_TAG)"
}

# check NAME CMD...: one PASS/FAIL line.
check() {
  local name=$1; shift
  if "$@"; then echo "PASS $name"; passed=$((passed + 1)); else echo "FAIL $name"; failed=$((failed + 1)); fi
}

# poll SECONDS CMD...: waits for a condition, at most SECONDS.
poll() {
  local deadline=$(( $(now_ms) + $1 * 1000 )); shift
  until "$@" >/dev/null 2>&1; do [ "$(now_ms)" -lt "$deadline" ] || return 1; sleep 0.05; done
}

# lab_up_with_ini [KEY=VALUE...]: the lab, then Ombrix.Ini as the lab writes it (dual NIC mode, every address
# left empty) with these keys of section DHCP added. The service is not started yet.
lab_up_with_ini() {
  local t0; t0=$(now_ms)
  e2e_lab_made=1
  "$lab" up >"$work/up.log" 2>&1 || { cat "$work/up.log"; echo "FAIL lab up"; failed=$((failed + 1)); exit 1; }
  write_ini "$@"
  echo "   lab up in $(( $(now_ms) - t0 )) ms"
}

write_ini() {
  local ini; ini=$("$lab" path ini)
  mkdir -p "$(dirname "$ini")"
  {
    printf '%s\n' '[Application]' 'OmbrixMode=2' 'Enabled=1' 'UseDhcp=1' 'DnsRelay=1' \
      '[DHCP]' 'LocalAddress=' 'LogFile=C:\Ombrix\DhcpServer.log'
    local kv
    for kv in "$@"; do printf '%s\n' "$kv"; done
    printf '%s\n' '[DnsRelay]' 'InternalDnsListen=' 'InternetDnsListen=' 'DnsServer=' 'LogFile=C:\Ombrix\DnsRelay.log'
  } | sed 's/$/\r/' > "$ini"
}

service_start() {
  local t0; t0=$(now_ms)
  "$lab" service start >"$work/start.log" 2>&1
  local rc=$?
  echo "   service start in $(( $(now_ms) - t0 )) ms"
  return $rc
}

ipc() { "$lab" wine "$bin/ipcctl.exe" "$@" 2>/dev/null | tr -d '\r'; }
install_dir() { "$lab" path install; }
service_log() { tr -d '\r' < "$(install_dir)/OmbrixDaemon.log" 2>/dev/null; }
dhcp_trace() { tr -d '\r' < "$(install_dir)/DhcpServer.log" 2>/dev/null | cut -c26-; }
# trace_has LINE: the DHCP component log holds that exact message. (grep reads to the end: with pipefail, a
# grep -q that leaves early would fail the pipe by the writer's SIGPIPE.)
trace_has() { dhcp_trace | grep -xF -- "$1" >/dev/null; }
trace_count() { dhcp_trace | grep -cxF -- "$1"; }
service_log_has() { service_log | cut -c26- | grep -xF -- "$1" >/dev/null; }

# field LINE KEY: the value of KEY=… in a lease line of `lab client`.
field() { sed -n "s/.* $2=\([^ ]*\).*/\1/p" <<< "$1"; }
# in_pool ADDRESS LOW HIGH: 192.168.0.LOW up to 192.168.0.(HIGH-1).
in_pool() {
  local host=${1##*.}
  [ "${1%.*}" = 192.168.0 ] && [ "$host" -ge "$2" ] && [ "$host" -lt "$3" ]
}
# lease_ok LINE LEASE: an address from the default pool with the sharing computer as router and DNS
# server, and the lease time given.
lease_ok() {
  local line=$1
  [[ $line == lease* ]] && in_pool "$(field "$line" address)" 2 254 && [ "$(field "$line" router)" = 192.168.0.1 ] &&
    [ "$(field "$line" dns)" = 192.168.0.1 ] && [ "$(field "$line" lease)" = "$2" ] &&
    [ "$(field "$line" server)" = 192.168.0.1 ] && [ "$(field "$line" mask)" = 255.255.255.0 ]
}

# db_entries: the client database "Ombrix.dhcp" one entry a line: address leaseStart leaseTime hostname
db_entries() {
  python3 - "$(install_dir)/Ombrix.dhcp" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
v11 = data[:22] == b'DHCP Client Data v1.1\0'
at = 22
while at < len(data):
    n = data[at]; ident = data[at + 1:at + 1 + n]; at += 1 + n
    m = data[at]; host = data[at + 1:at + 1 + m]; at += 1 + m
    at += 18  # hdwrAddr
    addr = '.'.join(str(b) for b in data[at:at + 4]); at += 4
    start, length = struct.unpack('<II', data[at:at + 8]); at += 8
    if v11:
        at += 4
    print(addr, start, length, host.decode('latin-1') or '-')
PY
}
# db_lease_start ADDRESS: leaseStart of the entry holding ADDRESS (empty when none).
db_lease_start() { db_entries 2>/dev/null | awk -v a="$1" '$1 == a { print $2; exit }'; }

# udhcpc_start NS HOSTNAME: udhcpc left running in NS (no -q), so that a test can renew (USR1) and release
# (USR2) through it. Its hook appends each event to $work/NS.events and puts a bound address on eth0, from
# which the renewal goes out by unicast as on a real client.
udhcpc_start() {
  local nsn=$1 host=$2 hook=$work/$1.hook
  cat > "$hook" <<HOOK
#!/bin/sh
case "\$1" in
  bound|renew)
    ip addr replace "\$ip/24" dev "\$interface"
    echo "event=\$1 address=\$ip lease=\$lease router=\$router dns=\$dns server=\$serverid" >> "$work/$nsn.events" ;;
  deconfig|leasefail|nak)
    echo "event=\$1" >> "$work/$nsn.events" ;;
esac
exit 0
HOOK
  chmod +x "$hook"
  : > "$work/$nsn.events"
  "$lab" exec "$nsn" timeout 120 udhcpc -i eth0 -f -t 5 -T 2 -s "$hook" -x "hostname:$host" >"$work/$nsn.udhcpc" 2>&1 &
  bg_pids+=($!)
  udhcpc_pid=$!
}
# events NS KIND: the last event line of that kind.
events() { grep "^event=$2 " "$work/$1.events" | tail -1; }
has_event() { [ -n "$(events "$1" "$2")" ]; }
# The pid of the udhcpc process itself (the lab's exec wraps it in ip netns exec and timeout).
udhcpc_pid_in() { ip netns pids "$("$lab" path ns)$1" | while read -r p; do [ "$(cat /proc/$p/comm 2>/dev/null)" = udhcpc ] && echo "$p"; done | head -1; }
