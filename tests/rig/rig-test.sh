#!/usr/bin/env bash
# The kernel rig's checks (tests/rig/checks.sh), one boot per part, each
# bounded in time; ends with one line "rig: N passed, M failed". A boot that
# stops before its checks end counts as one failure.
#
#   tests/rig/rig-test.sh [PART...]   (cameras faults wine; default all three)
#
# cameras and faults need the native build, wine the Windows build as well;
# wine's screenshots are kept in build/kernel-rig/screenshots.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
rig=$root/scripts/kernel-rig.sh
out=$root/build/kernel-rig
passed=0
failed=0
mkdir -p "$out"

part() {  # NAME CUTOFF RIG-OPTIONS... : one boot
  local name=$1 cutoff=$2 log=$out/$1.log counts start=$SECONDS
  shift 2
  "$rig" --timeout "$cutoff" "$@" -- bash "$root/tests/rig/checks.sh" "$name" 2>&1 | tee "$log"
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

parts=("$@")
((${#parts[@]})) || parts=(cameras faults wine)
for name in "${parts[@]}"; do
  case $name in
    cameras)
      part cameras 450 --root --no-udev-rule --scenario "$root/tests/rig/cameras.json" \
        --gadget G --verbose
      ;;
    faults)
      part faults 450 --root --scenario "$root/tests/rig/faults.json" --gadget F "--unplug-at 8" \
        --gadget H "--silent-from 8" --gadget L "--stall 8 --verbose"
      ;;
    wine)
      # Both scenarios' drives in one boot: the letters do not overlap.
      python3 -c 'import json, sys
drives = [d for f in sys.argv[1:] for d in json.load(open(f))["drives"]]
json.dump({"drives": sorted(drives, key=lambda d: d["letter"])}, sys.stdout, indent=1)' \
        "$root/tests/rig/cameras.json" "$root/tests/rig/faults.json" >"$out/wine.json"
      part wine 1200 --root --wine --scenario "$out/wine.json" --gadget F "--unplug-at 8" \
        --gadget H "--silent-from 8" --gadget J "--unplug-at 8" --gadget L "--stall 8 --verbose"
      run=$(ls -1dt "$out"/runs/run.* 2>/dev/null | head -1)
      rm -rf "$out/screenshots" && mkdir -p "$out/screenshots"
      cp "$run"/out/rig-checks/shots-*/*.png "$out/screenshots/" 2>/dev/null
      ls "$out/screenshots"
      ;;
    *) echo "rig-test: no part $name" >&2; exit 2 ;;
  esac
done
echo "rig: $passed passed, $failed failed"
((failed == 0))
