#!/usr/bin/env bash
# Runs an end-to-end driver under Wine and takes the screenshots it asks for:
# on each "SNAPSHOT name" line it saves the whole display as SHOTS/name.png and
# answers the driver so that it goes on. Needs DISPLAY and WINEPREFIX set
# (scripts/wine-env.sh, start_wine).
#
#   run-e2e.sh DRIVER.exe TOOL.exe SCENARIO_FOLDER SHOTS_FOLDER WORK_FOLDER [ARGS...]
#
# The driver gets TOOL.exe, SCENARIO_FOLDER and WORK_FOLDER as Windows paths,
# then ARGS as they are. E2E_AT_SNAPSHOT, when set, is a command run with the
# snapshot's name after each screenshot (a look at the system at that point).
set -euo pipefail
driver=$1 tool=$2 scenarios=$3 shots=$4 work=$5
shift 5

if [[ -z "${DISPLAY:-}" ]] || ! xdpyinfo >/dev/null 2>&1; then
  echo "no usable DISPLAY: start Wine with scripts/wine-env.sh (start_wine) first"
  exit 1
fi
mkdir -p "$shots" "$work"
rm -f "$shots"/*.png
rm -rf "${work:?}"/*  # each run starts from an empty work folder

# Wine's Z: drive is the Unix root.
winpath() { local p; p=$(cd "$1" 2>/dev/null && pwd || echo "$1"); echo "Z:${p//\//\\}"; }
winfile() { echo "$(winpath "$(dirname "$1")")\\$(basename "$1")"; }

coproc DRIVER { exec wine "$driver" "$(winfile "$tool")" "$(winpath "$scenarios")" "$(winpath "$work")" "$@" 2>&1; }
driver_pid=$DRIVER_PID
exec {from}<&"${DRIVER[0]}" {to}>&"${DRIVER[1]}"
# Wine's helper processes may keep the pipe open after the driver ends, so the
# driver's last line, not the end of the pipe, ends the loop.
done_line=""
while IFS= read -r -t 300 line <&"$from"; do
  line=${line%$'\r'}
  case $line in
    "SNAPSHOT "*)
      name=${line#SNAPSHOT }
      sleep 0.3  # let the window finish painting
      if import -window root "$shots/$name.png"; then echo "screenshot: $shots/$name.png"; fi
      if [[ -n ${E2E_AT_SNAPSHOT:-} ]]; then $E2E_AT_SNAPSHOT "$name" || true; fi
      echo ok >&"$to"
      ;;
    "E2E DONE "*)
      echo "$line"
      done_line=$line
      break
      ;;
    *) echo "$line" ;;
  esac
done
status=0
wait "$driver_pid" || status=$?
if [[ -z $done_line ]]; then
  echo "the driver stopped before it finished"
  ((status != 0)) || status=1
fi
exit "$status"
