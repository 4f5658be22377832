#!/usr/bin/env bash
# The kernel rig's checks (tests/rig/checks.sh), one boot per part, each
# bounded in time; ends with one line "rig: N passed, M failed". A boot that
# stops before its checks end counts as one failure. Needs the native build.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
rig=$root/scripts/kernel-rig.sh
passed=0
failed=0

part() {  # NAME RIG-OPTIONS... : one boot
  local name=$1 log=$root/build/kernel-rig/$1.log counts start=$SECONDS
  shift
  mkdir -p "$root/build/kernel-rig"
  "$rig" --timeout 450 "$@" -- bash "$root/tests/rig/checks.sh" "$name" 2>&1 | tee "$log"
  counts=$(sed -n 's/^rig: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$log" | tail -1)
  echo "rig: part $name took $((SECONDS - start)) s"
  if [[ -z $counts ]]; then
    failed=$((failed + 1))
    echo "rig: part $name stopped before the end"
    return
  fi
  passed=$((passed + ${counts% *}))
  failed=$((failed + ${counts#* }))
}

part cameras --root --no-udev-rule --scenario "$root/tests/rig/cameras.json" --gadget G --verbose
part faults --root --scenario "$root/tests/rig/faults.json" --gadget F "--unplug-at 8" \
  --gadget H "--silent-from 8" --gadget L "--stall 8 --verbose"
echo "rig: $passed passed, $failed failed"
((failed == 0))
