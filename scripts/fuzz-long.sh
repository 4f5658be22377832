#!/usr/bin/env bash
# Longer fuzzing than ./test does: builds the fuzz preset and runs each target
# for SECONDS (default 600) on a copy of its committed corpus in build/fuzz/long,
# one after the other. Crashing inputs land in build/fuzz/long as crash-*.
#   scripts/fuzz-long.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-600}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(fuzz_camera_replies fuzz_scenario fuzz_gadget)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

work="$root/build/fuzz/long"
status=0
for target in "${targets[@]}"; do
  rm -rf "${work:?}/$target"
  mkdir -p "$work/$target"
  cp "$root/fuzz/corpus/$target/"* "$work/$target/"
  echo "=== $target, ${seconds}s"
  rc=0
  "$root/build/fuzz/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/$target" >"$work/$target.log" 2>&1 ||
    rc=$?
  grep -E 'INITED|^Done|stat::' "$work/$target.log" || true
  grep -E '^#[0-9]+' "$work/$target.log" | tail -n 1 || true
  if ((rc != 0)); then
    tail -n 40 "$work/$target.log"
    echo "$target: FAILED (exit $rc)"
    status=1
  fi
done
exit $status
