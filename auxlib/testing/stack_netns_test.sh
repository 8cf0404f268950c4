#!/usr/bin/env bash
# The stack method of ombrixaux against Wine's WsControl in a lab of known interfaces: a network namespace
# of this test's own with the loopback and seven bridges (no ports, so nothing leaves them). Wine runs
# inside the namespace in a session of its own; the test program's Stack9xLab suite knows this layout.
#
#   stack_netns_test.sh STACK_TEST_EXE
# Needs root and iproute2. Wine's entity list (Wine 8) names only the first interfaces of a host (two
# entities per interface, but three other entities come first and the list is not made longer for them),
# hence the four bridges without a part in the tests.
set -euo pipefail
exe=$1
root=$(cd "$(dirname "$0")/../.." && pwd)

if [ "$(id -u)" != 0 ] || ! command -v ip >/dev/null; then
  echo "stack_netns_test: needs root and iproute2" >&2
  exit 1
fi

ns=ombrixaux$$
cleanup() { ip netns del "$ns" 2>/dev/null || true; }
trap cleanup EXIT

ip netns add "$ns"
ip -n "$ns" link set lo up
for i in 1 2 3 4 5 6 7; do
  ip -n "$ns" link add "aux$i" address "02:00:00:aa:00:0$i" type bridge
  ip -n "$ns" link set "aux$i" up
done
ip -n "$ns" addr add 10.77.1.1/24 dev aux1
ip -n "$ns" addr add 10.77.3.1/24 dev aux3
ip -n "$ns" route add default via 10.77.3.254 dev aux3

ip netns exec "$ns" env -u WINEPREFIX -u OMBRIX_WINE_SESSION OMBRIX_AUX_LAB=1 \
  "$root/scripts/with-wine" wine "$exe"
