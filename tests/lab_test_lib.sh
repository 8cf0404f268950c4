# lab_test_lib.sh: what the end-to-end lab tests of tests/ share. Sourced after `lab` (the lab script) and
# the counters `passed` and `failed` are set.

check() {  # check NAME CONDITION-CMD...
  local name=$1; shift
  if "$@"; then echo "PASS $name"; passed=$((passed + 1)); else echo "FAIL $name"; failed=$((failed + 1)); fi
}
give_up() {  # a check that the rest depends on failed: say so and end
  echo "FAIL $*"
  echo "$passed passed, $((failed + 1)) failed"
  exit 1
}
kv() { tr ' ' '\n' <<< "$1" | sed -n "s/^$2=//p" | head -n1; }
service_pid() {  # the OmbrixDaemon.exe process in the lab's base namespace
  local p
  for p in $(ip netns pids "$("$lab" path ns)base" 2>/dev/null); do
    case "$(tr '\0' ' ' < "/proc/$p/cmdline" 2>/dev/null)" in *'\OmbrixDaemon.exe'*) echo "$p"; return 0 ;; esac
  done
  return 1
}
