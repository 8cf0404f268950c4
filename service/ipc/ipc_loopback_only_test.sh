#!/usr/bin/env bash
# The IPC endpoint answers on the loopback address only. In two network namespaces of this test's own (a
# sharing computer with a LAN address and a LAN client beside it), a real CIpcServer serves at a known
# port; datagrams to the LAN address at that port, from the client and from the computer itself, must get
# no answer and reach no request handler, while a loopback ping and stop through ipcctl do.
#
#   ipc_loopback_only_test.sh SERVER_TEST_EXE IPCCTL_EXE
# Needs root (ip netns). Runs its own Wine session inside the namespace, so any outer one is left alone.
set -euo pipefail
server_exe=$1
ipcctl_exe=$2
root=$(cd "$(dirname "$0")/../.." && pwd)

if [ "$(id -u)" != 0 ] || ! command -v ip >/dev/null; then
  echo "ipc_loopback_only_test: needs root and iproute2" >&2
  exit 1
fi

tag=ombrixipc$$
ns_base=${tag}b
ns_lan=${tag}c
base_addr=10.231.0.1
client_addr=10.231.0.2
port=47391
cleanup() {
  [ -n "${serve_pid:-}" ] && kill "$serve_pid" 2>/dev/null || true
  ip netns del "$ns_base" 2>/dev/null || true
  ip netns del "$ns_lan" 2>/dev/null || true
}
trap cleanup EXIT

ip netns add "$ns_base"
ip netns add "$ns_lan"
ip link add "${tag}0" type veth peer name "${tag}1"
ip link set "${tag}0" netns "$ns_base"
ip link set "${tag}1" netns "$ns_lan"
ip -n "$ns_base" addr add "$base_addr/24" dev "${tag}0"
ip -n "$ns_lan" addr add "$client_addr/24" dev "${tag}1"
for ns in "$ns_base" "$ns_lan"; do
  ip -n "$ns" link set lo up
done
ip -n "$ns_base" link set "${tag}0" up
ip -n "$ns_lan" link set "${tag}1" up

# One datagram to addr:port from namespace ns; prints "answered" or "silent".
send_probe() {
  ip netns exec "$1" python3 - "$2" "$port" <<'PY'
import socket, struct, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.settimeout(1.0)
s.sendto(struct.pack('<I', 1124), (sys.argv[1], int(sys.argv[2])))
try:
    s.recvfrom(100)
    print("answered")
except OSError:
    print("silent")
PY
}

session() {
  # Everything Wine of this test runs inside the sharing computer's namespace, under one wineserver.
  ip netns exec "$ns_base" env -u WINEPREFIX -u OMBRIX_WINE_SESSION OMBRIX_IPC_PROBE_PORT=$port \
    "$root/scripts/with-wine" bash -c '
      set -euo pipefail
      wine "$1" --gtest_also_run_disabled_tests --gtest_filter="*DISABLED_ServeUntilStoppedForTheLoopbackProbe" \
        > "$3" 2>&1 &
      serve=$!
      for _ in $(seq 200); do
        grep -q "probe: serving" "$3" 2>/dev/null && break
        kill -0 $serve 2>/dev/null || break
        sleep 0.1
      done
      grep -q "probe: serving on 127.0.0.1:'"$port"' (started)" "$3"
      # The scripted probes from outside run now (the caller waits for this line).
      echo READY > "$4"
      for _ in $(seq 300); do [ -f "$4.go" ] && break; sleep 0.1; done
      wine "$2" --port '"$port"' ping
      wine "$2" --port '"$port"' stop
      wait $serve
    ' _ "$server_exe" "$ipcctl_exe" "$work/serve.log" "$work/ready"
}

work=$(mktemp -d)
session > "$work/session.log" 2>&1 &
serve_pid=$!
for _ in $(seq 600); do
  [ -f "$work/ready" ] && break
  kill -0 "$serve_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -f "$work/ready" ]; then
  echo "the probe server never started"; cat "$work/session.log" "$work/serve.log" 2>/dev/null; exit 1
fi

fail=0
from_lan=$(send_probe "$ns_lan" "$base_addr")
from_self=$(send_probe "$ns_base" "$base_addr")
echo "LAN client -> $base_addr:$port: $from_lan"
echo "sharing computer -> $base_addr:$port: $from_self"
[ "$from_lan" = silent ] || fail=1
[ "$from_self" = silent ] || fail=1
touch "$work/ready.go"

if ! wait "$serve_pid"; then
  fail=1
fi
unset serve_pid
cat "$work/session.log"
grep -E "OK|FAILED|Failure|Expected|Which is|reached" "$work/serve.log" || true
grep -q "\[  PASSED  \] 1 test" "$work/serve.log" || fail=1
rm -rf "$work"
if [ $fail = 0 ]; then
  echo "1 passed, 0 failed"
else
  echo "0 passed, 1 failed"
fi
exit $fail
