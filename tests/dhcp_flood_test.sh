#!/usr/bin/env bash
# dhcp_flood_test: the service under a flood of DISCOVERs from made-up clients, end to end in a lab of its
# own (its own OMBRIX_LAB_TAG, removed on every way out). The flood comes from bench/dhcp_load in the
# client namespace: random hardware addresses, never taking an offer, as fast as the generator goes
# (--rate max) for SECONDS. It passes when
#   - the service's DHCP server runs and leases an address before the flood;
#   - throughout the flood the service answers IPC_PING within LIMIT ms, every ping, none lost
#     (bench/dhcp_load/service_watch in base, a ping every 50 ms over base's loopback);
#   - the service process's resident memory stays within the start + MEMORY MB;
#   - the DHCP server kept answering during the flood (at least one OFFER to the flood);
#   - a real client (udhcpc in client2) gets a lease within AFTER seconds of the flood's end;
#   - the service is still running and answering at the end.
# A service whose DHCP server did not start fails here, loudly: it is never skipped.
#
# Usage: bash tests/dhcp_flood_test.sh [--native-bin DIR] [--win-bin DIR] [--seconds S | --long]
#                                      [--rate R|max] [--limit-ms L] [--memory-mb M] [--after S]
#   --native-bin DIR  dhcp_load and service_watch (default build/native/bin)
#   --win-bin DIR     OmbrixDaemon.exe and the lab's Windows programs (default build/win64/bin)
#   --seconds S       flood length (default 15); --long: 60
#   --rate R|max      DISCOVERs per second (default max)
#   --limit-ms L      longest IPC_PING answer allowed (default 100)
#   --memory-mb M     allowed growth of VmRSS over its value before the flood (default 50)
#   --after S         the real client's time to a lease after the flood (default 30)
# Needs root (network namespaces). Prints one PASS/FAIL line per check and the figures; exit 1 on a FAIL.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD

native=$root/build/native/bin
win=$root/build/win64/bin
seconds=15 rate=max limit_ms=100 memory_mb=50 after=30
while [ $# -gt 0 ]; do
  case "$1" in
    --native-bin) native=$(cd "$2" && pwd) || exit 1; shift 2 ;;
    --win-bin) win=$(cd "$2" && pwd) || exit 1; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --long) seconds=60; shift ;;
    --rate) rate=$2; shift 2 ;;
    --limit-ms) limit_ms=$2; shift 2 ;;
    --memory-mb) memory_mb=$2; shift 2 ;;
    --after) after=$2; shift 2 ;;
    *) sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 2 ;;
  esac
done

export OMBRIX_LAB_TAG=fl$(( $$ % 100000 ))
export OMBRIX_LAB_OWNER=$$
export OMBRIX_LAB_BIN=$win
lab=scripts/lab
# The watch starts before the flood and ends after it, so that the flood lies inside it.
watch_margin=2
# A received DISCOVER held by the service: CDHCPPacket's two 1456-byte buffers and its fields.
packet_bytes=3000
work=$(mktemp -d /tmp/ombrix-dhcp-flood.XXXXXX)
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
source tests/lab_test_lib.sh
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
hwm_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
udp_in() {  # datagrams base's UDP sockets took in, and those dropped for a full receive buffer
  "$lab" exec base cat /proc/net/snmp | awk '/^Udp:/ { if (!h) { for (i = 2; i <= NF; i++) n[$i] = i; h = 1 } else print $n["InDatagrams"], $n["RcvbufErrors"] }'
}
# The service log since its last start.
service_log_now() {
  tr -d '\r' < "$("$lab" path log)" 2>/dev/null |
    awk '/Ombrix Service Starting/ { s = "" } { s = s $0 "\n" } END { printf "%s", s }'
}

[ "$(id -u)" = 0 ] || give_up "needs root (network namespaces)"
for f in "$native/dhcp_load" "$native/service_watch" "$win/OmbrixDaemon.exe" "$win/ombrixaux.dll" \
         "$win/ombrixdrvctl.exe" "$win/ombrix.sys" "$win/ipcctl.exe"; do
  [ -f "$f" ] || give_up "$f is missing (build the native targets dhcp_load service_watch and the win64 programs)"
done

echo "== flood of $seconds s at rate $rate; lab tag $OMBRIX_LAB_TAG"
"$lab" up >/dev/null || give_up "lab up"
"$lab" service start >/dev/null || give_up "service start"
if ! service_log_now | grep -q 'DHCP Server Started'; then
  service_log_now | tail -n 8 | sed 's/^/   | /'
  give_up "the service's DHCP server is running (no \"DHCP Server Started\" in its log since the start)"
fi
echo "PASS the service's DHCP server is running"; passed=$((passed + 1))
pid=$(service_pid) || give_up "the service's process is in base"

# One client through the whole exchange first: the flood's figures mean something only against a
# server that serves.
"$lab" exec client "$native/dhcp_load" --new 1 --timeout 5000 --deadline 15 > "$work/before" 2>&1
sed 's/^/   /' "$work/before"
check "a new client leases an address before the flood" grep -q ' mode=new .* ok=1 ' "$work/before"

rss_start=$(rss_kb "$pid")
hwm_start=$(hwm_kb "$pid")
read -r udp_in_start udp_drop_start < <(udp_in)
echo "   before the flood: VmRSS ${rss_start} kB, VmHWM ${hwm_start} kB"

"$lab" exec base "$native/service_watch" --seconds $((seconds + watch_margin)) --limit-ms "$limit_ms" \
  --pid "$pid" --detail > "$work/watch" 2>&1 &
bg_pids+=($!); watch_pid=$!
t_flood=$(now_ms)
"$lab" exec client "$native/dhcp_load" --flood "$seconds" --rate "$rate" --detail > "$work/flood" 2>&1
flood_rc=$?
t_flood_end=$(now_ms)
read -r udp_in_end udp_drop_end < <(udp_in)
# The watch ends by itself within its margin; a bounded wait all the same.
deadline=$(( $(now_ms) + (watch_margin + 10) * 1000 ))
while kill -0 "$watch_pid" 2>/dev/null && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.05; done
kill "$watch_pid" 2>/dev/null; wait "$watch_pid" 2>/dev/null
rss_end=$(rss_kb "$pid")
hwm_end=$(hwm_kb "$pid")

echo "== the flood ($(( t_flood_end - t_flood )) ms)"
sed 's/^/   /' "$work/flood"
echo "== the service meanwhile"
sed 's/^/   /' "$work/watch"
flood=$(grep ' mode=flood ' "$work/flood")
watch=$(grep '^service_watch pings=' "$work/watch")
mem=$(grep '^service_watch memory ' "$work/watch")
taken=$(( udp_in_end - udp_in_start )); dropped=$(( udp_drop_end - udp_drop_start ))
rss_max=$(kv "$mem" rss_max_kb)
growth_kb=$(( ${rss_max:-0} - ${rss_start:-0} ))
echo "   base's UDP sockets took in $taken datagrams during the flood and dropped $dropped for a full receive buffer"
echo "   held unbounded, $taken DISCOVERs would have needed $(( taken * packet_bytes / 1048576 )) MB"
echo "   VmRSS ${rss_start} kB before, ${rss_max:-?} kB at most during, ${rss_end:-?} kB after (+${growth_kb} kB); VmHWM ${hwm_end:-?} kB"

check "the generator flooded for its time (exit 0, sent > 0)" test "$flood_rc" = 0 -a "$(kv "$flood" sent)" -gt 0
check "every IPC_PING answered within $limit_ms ms throughout (late=$(kv "$watch" late) lost=$(kv "$watch" lost) of $(kv "$watch" pings), max $(kv "$watch" max_ms) ms)" \
  test -n "$watch" -a "$(kv "$watch" late)" = 0 -a "$(kv "$watch" lost)" = 0 -a "$(kv "$watch" pings)" -gt 0
check "the service process lived throughout" test "$(kv "$mem" gone)" = 0
check "VmRSS stayed within +$memory_mb MB of its start (+$(( growth_kb / 1024 )) MB)" \
  test -n "$rss_max" -a "$growth_kb" -lt $(( memory_mb * 1024 ))
check "the DHCP server answered during the flood ($(kv "$flood" offers) offers)" test "$(kv "$flood" offers)" -gt 0

echo "== a real client right after"
lease=""
deadline=$(( t_flood_end + after * 1000 ))
attempts=0
while [ -z "$lease" ] && [ "$(now_ms)" -lt "$deadline" ]; do
  attempts=$((attempts + 1))
  left=$(( (deadline - $(now_ms)) / 1000 )); [ "$left" -ge 1 ] || left=1
  out=$("$lab" client udhcpc client2 --timeout "$left" 2>&1)
  echo "   $out"
  case "$out" in lease\ *) lease=$out ;; esac
done
to_lease=$(( $(now_ms) - t_flood_end ))
check "a real client (udhcpc) leased an address within $after s of the flood (${to_lease} ms, $attempts attempts)" \
  test -n "$lease"

state=$("$lab" service status 2>&1 | tr '\n' ' ')
check "the service still runs and answers ($state)" grep -q 'state=RUNNING ipc=answers' <<< "$state"
if [ $failed -gt 0 ]; then
  echo "== DHCP component log, last lines"
  tr -d '\r' < "$("$lab" path install)/DhcpServer.log" 2>/dev/null | tail -n 15 | sed 's/^/   | /'
fi
echo "$passed passed, $failed failed"
[ $failed = 0 ]
