#!/usr/bin/env bash
# dhcp_soak: the service for a long while under clients that come and go, end to end in a lab of its own
# (its own OMBRIX_LAB_TAG, removed on every way out). Leases last 60 s, so they run out all the time. Round
# after round, in the client namespace (bench/dhcp_load, a fresh set of hardware addresses each run):
#   - a real client (udhcpc in client2) joins (the same one each round: it comes back to its address);
#   - 4 clients join and vanish (their leases run out later);
#   - 4 clients join and renew 40 times between them;
# and every FLOOD-EVERY seconds a DISCOVER flood of made-up clients for FLOOD-SECONDS. Throughout, the
# service must answer IPC_PING within 100 ms (service_watch in base). Once a minute it prints the service's
# memory (VmRSS), its open file descriptors, and the lease file's size and entries. At the end the lease
# file is compared with what the clients hold:
#   - no two running leases share an address, and the file holds no more entries than the table's bound;
#   - every client of the last round (udhcpc, the vanished, the renewing) holds its address in the file.
# `make soak` runs it for an hour (flood of 60 s every 10 minutes); `make test` runs a 2-minute version.
#
# Usage: bash tests/dhcp_soak.sh [--minutes M] [--flood-every S] [--flood-seconds S] [--flood-rate R|max]
#                                [--native-bin DIR] [--win-bin DIR]
# Needs root (network namespaces). Prints one PASS/FAIL line per check; exit 1 on a FAIL.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD

native=$root/build/native/bin
win=$root/build/win64/bin
minutes=60 flood_every=600 flood_seconds=60 flood_rate=max
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes=$2; shift 2 ;;
    --flood-every) flood_every=$2; shift 2 ;;
    --flood-seconds) flood_seconds=$2; shift 2 ;;
    --flood-rate) flood_rate=$2; shift 2 ;;
    --native-bin) native=$(cd "$2" && pwd) || exit 1; shift 2 ;;
    --win-bin) win=$(cd "$2" && pwd) || exit 1; shift 2 ;;
    *) sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 2 ;;
  esac
done

export OMBRIX_LAB_TAG=sk$(( $$ % 100000 ))
export OMBRIX_LAB_OWNER=$$
export OMBRIX_LAB_BIN=$win
lab=scripts/lab
lease_seconds=60
work=$(mktemp -d /tmp/ombrix-dhcp-soak.XXXXXX)
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

source tests/lab_test_lib.sh
runs=0
load() {  # load NAME ARGS...: one bounded run of the generator in the client namespace, hardware addresses
  local name=$1; shift  # of its own (a seed per run: runs within one second would share them otherwise)
  runs=$((runs + 1))
  "$lab" exec client "$native/dhcp_load" "$@" --seed $(( ($$ % 1000) * 100000 + runs )) --timeout 5000 --detail \
    > "$work/$name" 2>&1
}
# The lease file as lines "mac address running": the one reader of its layout here.
lease_file() {
  python3 - "$("$lab" path install)/Ombrix.dhcp" <<'EOF'
import struct, sys, time
data = open(sys.argv[1], 'rb').read() if len(sys.argv) > 1 else b''
at, now = 22, int(time.time())
while at < len(data):
    try:
        n = data[at]; at += 1 + n
        m = data[at]; at += 1 + m
        hw = data[at:at + 18]; at += 18
        addr = data[at:at + 4]; start, length, _ = struct.unpack('<III', data[at + 4:at + 16]); at += 16
    except (IndexError, struct.error):
        break
    if len(addr) < 4:
        break
    running = start != 0 and (length == 0xFFFFFFFF or start + length > now)
    print('%s %s %d' % (':'.join('%02x' % b for b in hw[2:8]), '.'.join(str(b) for b in addr), int(running)))
EOF
}
sample() {  # one line of figures
  local pid=$1 file; file="$("$lab" path install)/Ombrix.dhcp"
  echo "   t=$(( SECONDS - t0 )) s: VmRSS $(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) kB," \
    "fds $(ls "/proc/$pid/fd" 2>/dev/null | wc -l), lease file $(stat -c %s "$file" 2>/dev/null || echo 0) bytes," \
    "$(lease_file | wc -l) entries ($(lease_file | awk '$3 == 1' | wc -l) running)"
}

[ "$(id -u)" = 0 ] || give_up "needs root (network namespaces)"
command -v python3 >/dev/null || give_up "python3 is missing"
for f in "$native/dhcp_load" "$native/service_watch" "$win/OmbrixDaemon.exe" "$win/ombrixaux.dll"; do
  [ -f "$f" ] || give_up "$f is missing (build the native targets dhcp_load service_watch and the win64 programs)"
done

echo "== soak of $minutes min, a flood of $flood_seconds s every $flood_every s; lab tag $OMBRIX_LAB_TAG"
"$lab" up >/dev/null || give_up "lab up"
# The first start writes the lab's settings; the soak's lease time goes in before the start that counts.
"$lab" service start >/dev/null || give_up "service start"
"$lab" service stop >/dev/null || give_up "service stop"
ini=$("$lab" path ini)
python3 - "$ini" "$lease_seconds" <<'EOF' || give_up "lease time in the lab's settings"
import sys
path, lease = sys.argv[1], sys.argv[2]
lines = open(path).read().replace('\r', '').split('\n')
out, section = [], ''
for line in lines:
    if line.startswith('['):
        if section == '[DHCP]':
            out.append('LeaseAddrTimeout=' + lease)
        section = line.strip()
    if section == '[DHCP]' and line.startswith('LeaseAddrTimeout='):
        continue
    out.append(line)
if section == '[DHCP]':
    out.append('LeaseAddrTimeout=' + lease)
if '[DHCP]' not in [l.strip() for l in lines]:
    out += ['[DHCP]', 'LeaseAddrTimeout=' + lease]
open(path, 'w').write('\r\n'.join(out))
EOF
"$lab" service start >/dev/null || give_up "service start"
pid=$(service_pid) || give_up "the service's process is in base"

t0=$SECONDS
total=$(( minutes * 60 ))
"$lab" exec base "$native/service_watch" --seconds $(( total + 60 )) --limit-ms 100 --pid "$pid" > "$work/watch" 2>&1 &
bg_pids+=($!); watch_pid=$!

next_sample=0 next_flood=$flood_every round=0 floods=0 bad_runs=0
while [ $(( SECONDS - t0 )) -lt "$total" ]; do
  round=$((round + 1))
  "$lab" client udhcpc client2 --hostname soak > "$work/udhcpc" 2>&1 || true
  load vanished --new 4 --deadline 60 || true
  load renewed --renew 40 --clients 4 --window 2 --deadline 60 || true
  grep -q '^lease ' "$work/udhcpc" || { bad_runs=$((bad_runs + 1)); sed 's/^/   | /' "$work/udhcpc" | head -n 3; }
  for run in vanished renewed; do
    grep -q ' ok=4 ' "$work/$run" || { bad_runs=$((bad_runs + 1)); sed 's/^/   | /' "$work/$run" | head -n 3; }
  done
  if [ $(( SECONDS - t0 )) -ge "$next_sample" ]; then
    sample "$pid"
    next_sample=$(( next_sample + 60 ))
  fi
  if [ $(( SECONDS - t0 )) -ge "$next_flood" ] && [ $(( SECONDS - t0 + flood_seconds )) -le "$total" ]; then
    echo "   t=$(( SECONDS - t0 )) s: a flood of $flood_seconds s"
    "$lab" exec client "$native/dhcp_load" --flood "$flood_seconds" --rate "$flood_rate" > "$work/flood" 2>&1 || true
    floods=$((floods + 1))
    next_flood=$(( next_flood + flood_every ))
  fi
done
# The last round's clients, as the lease file should now show them.
"$lab" client udhcpc client2 --hostname soak > "$work/udhcpc" 2>&1 || true
load vanished --new 4 --deadline 60 || true
load renewed --renew 40 --clients 4 --window 2 --deadline 60 || true
sample "$pid"
kill -INT "$watch_pid" 2>/dev/null; wait "$watch_pid" 2>/dev/null
w=$(grep 'service_watch pings=' "$work/watch" | tail -n 1)
echo "   $w"
echo "   $round rounds, $floods floods"

leases=$(lease_file)
held() { awk '/ lease index=/ { for (i = 1; i <= NF; i++) { if ($i ~ /^mac=/) m = substr($i, 5); if ($i ~ /^address=/) a = substr($i, 9) } print m, a }' "$work/$1"; }
holds() {  # holds MAC ADDRESS: the file gives ADDRESS to MAC under a running lease
  grep -qx "$1 $2 1" <<< "$leases"
}
check "every round's clients were served ($bad_runs runs short)" test "$bad_runs" -eq 0
check "IPC_PING answered within 100 ms throughout ($(kv "$w" late) late, $(kv "$w" lost) lost of $(kv "$w" pings))" \
  test -n "$w" -a "$(kv "$w" late)" = 0 -a "$(kv "$w" lost)" = 0
check "the service process lived throughout" kill -0 "$pid"
dups=$(awk '$3 == 1 { print $2 }' <<< "$leases" | sort | uniq -d | wc -l)
check "no two running leases in the file share an address ($dups do)" test "$dups" -eq 0
check "the file keeps at most 512 entries ($(wc -l <<< "$leases"))" test "$(wc -l <<< "$leases")" -le 512
missing=0 n=0
while read -r mac address; do
  [ -n "$mac" ] || continue
  n=$((n + 1)); holds "$mac" "$address" || { echo "   not in the file: $mac $address"; missing=$((missing + 1)); }
done < <(held vanished; held renewed; sed -n 's/^lease .* mac=\([^ ]*\) address=\([^ ]*\) .*/\1 \2/p' "$work/udhcpc")
check "the last round's $n holding clients hold their addresses in the file ($missing missing)" test "$missing" -eq 0 -a "$n" -gt 0
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
