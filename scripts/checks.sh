# shellcheck shell=bash
# One check at a time, for the test scripts run by ./test (sourced):
#   check_prefix=rig; source scripts/checks.sh
#   check "its name" command args...   # passed when the command succeeds
#   checks_end                         # "rig: N passed, M failed"; fails on any failure
: "${check_prefix:?set check_prefix before sourcing checks.sh}"
passed=0
failed=0

check() {  # NAME COMMAND...: one check
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "$check_prefix: ok      $name"
  else
    failed=$((failed + 1))
    echo "$check_prefix: FAILED  $name"
  fi
}

checks_end() {
  echo "$check_prefix: $passed passed, $failed failed"
  ((failed == 0))
}
