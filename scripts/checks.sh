# shellcheck shell=bash
# One check at a time, for the test scripts run by ./test (sourced):
#   check_prefix=rig; source scripts/checks.sh
#   check "its name" command args...   # passed when the command succeeds
#   checks_end                         # "rig: N passed, M failed"; fails on any failure
: "${check_prefix:?set check_prefix before sourcing checks.sh}"
passed=0
failed=0

# The title is held in check_title, a name the checks themselves do not use:
# bash lets the command see the caller's locals.
check() {  # TITLE COMMAND...: one check
  local check_title=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "$check_prefix: ok      $check_title"
  else
    failed=$((failed + 1))
    echo "$check_prefix: FAILED  $check_title"
  fi
}

checks_end() {
  echo "$check_prefix: $passed passed, $failed failed"
  ((failed == 0))
}
