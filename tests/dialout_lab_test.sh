#!/usr/bin/env bash
# dialout_lab_test: dial-on-demand end to end in a lab of its own (its own OMBRIX_LAB_TAG, removed on every
# way out). The sharing computer is in dial-up mode (OmbrixMode=0) with base's Internet side (wan0) down;
# the stand-in dial-up library (testbed/rasapi32) is the service's RASAPI32.DLL, and `lab modem` brings
# wan0 up while it reports a connection. It passes when
#   - the service runs in dial-up mode and the Internet side is unreachable;
#   - the packet driver's "a client needs the Internet" bit (0x1) makes the service dial its phonebook entry
#     once, with the stored user name and password (the stand-in's entry accepts only those);
#   - the Internet side comes up: base reaches the access provider's address;
#   - the console's hang-up (IPC_HANG_UP) hangs the connection up and the Internet side goes down again;
#   - the password is in no file the service wrote.
# Needs root (network namespaces). Prints one PASS/FAIL line per check; exit 1 on a FAIL.
#
# Usage: bash tests/dialout_lab_test.sh [--win-bin DIR]
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
win=$root/build/win64/bin
while [ $# -gt 0 ]; do
  case "$1" in
    --win-bin) win=$(cd "$2" && pwd) || exit 1; shift 2 ;;
    *) sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 2 ;;
  esac
done

export OMBRIX_LAB_TAG=dl$(( $$ % 100000 ))
export OMBRIX_LAB_OWNER=$$
export OMBRIX_LAB_BIN=$win
lab=scripts/lab
passed=0 failed=0
source tests/lab_test_lib.sh
trap '"$lab" down >/dev/null 2>&1' EXIT

"$lab" up >/dev/null || give_up "lab up"
"$lab" modem on --delay 300 || give_up "lab modem on"
"$lab" service start || give_up "service start"
install=$("$lab" path install)
journal=$install/rasjournal.txt

reaches_isp() { "$lab" exec base ping -c1 -W1 10.99.0.1 >/dev/null 2>&1; }
wan_state() { "$lab" modem status | sed -n "s/^modem: wan0 \([a-z]*\),.*/\1/p"; }
dials() { grep -c '^RasDialA ' "$journal" 2>/dev/null || true; }
log_has() { tr -d '\r' < "$("$lab" path log)" | grep -q -- "$1"; }
wait_until() {  # wait_until SECONDS CMD...
  local limit=$1; shift
  local end=$(( $(date +%s) + limit ))
  until "$@"; do [ "$(date +%s)" -lt "$end" ] || return 1; sleep 0.1; done
}

check "the Internet side is down before any dial" test "$(wan_state)" = down
unreachable() { ! reaches_isp; }
check "the access provider is unreachable before any dial" unreachable
check "no dial before a client needs one" test "$(dials)" = 0

# A client's packet for the Internet: the driver sets status bit 0x1, the tick dials.
"$lab" wine "$win/ombrixdrvctl.exe" set-bits 1 >/dev/null 2>&1 || give_up "ombrixdrvctl set-bits 1"
check "the service reports the dial connected" wait_until 20 log_has "Dial-out successfull"
wan_up() { test "$(wan_state)" = up; }
check "the Internet side came up" wait_until 10 wan_up
check "base reaches the access provider" wait_until 10 reaches_isp
check "the service dialled its entry with the stored user name" grep -q 'entry="LabISP".*user="labuser"' "$journal"
"$lab" wine "$win/ombrixdrvctl.exe" clear-bits 1 >/dev/null 2>&1 || give_up "ombrixdrvctl clear-bits 1"
sleep 2  # two more ticks with the connection up
check "one dial for the whole time the connection was up" test "$(dials)" = 1
check "no second dial line while connected" test "$(tr -d '\r' < "$("$lab" path log)" | grep -c 'Attempting to dial-out')" = 1

"$lab" wine "$win/ipcctl.exe" hangup >/dev/null 2>&1
check "the console's hang-up ended the connection" wait_until 10 log_has "Connection disconnected"
wan_down() { test "$(wan_state)" = down; }
check "the Internet side went down" wait_until 15 wan_down
check "no dial after the hang-up" test "$(dials)" = 1
if [ "$failed" != 0 ]; then
  echo "--- what happened"
  "$lab" modem status
  cat "$("$lab" path state)/modem/watch.log" 2>/dev/null
  tail -n 12 "$journal" 2>/dev/null
  tr -d '\r' < "$("$lab" path log)" | tail -n 12
fi

password_files() { grep -rl labpass "$install" | grep -v '/rasfixture.ini$'; }
no_password() { ! password_files; }
check "the password is in no file the service wrote" no_password

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
