#!/bin/bash
# The checks that run inside the kernel rig, as root, one boot per part:
#   scripts/kernel-rig.sh --root --no-udev-rule --scenario tests/rig/cameras.json \
#     --gadget G --verbose -- bash tests/rig/checks.sh cameras
#   scripts/kernel-rig.sh --root --scenario tests/rig/faults.json \
#     --gadget F "--unplug-at 8" --gadget H "--silent-from 8" --gadget L "--stall 8 --verbose" \
#     -- bash tests/rig/checks.sh faults
#   scripts/kernel-rig.sh --root --wine --scenario SCENARIO (both scenarios'
#     drives) --gadget F "--unplug-at 8" --gadget H "--silent-from 8" \
#     --gadget J "--unplug-at 8" --gadget L "--stall 8 --verbose" \
#     -- bash tests/rig/checks.sh wine
# zulctl runs as the rig's user without root (rig-user), through the guest's
# /dev/sgN nodes; in part wine the Windows programs run instead, under Wine
# (rig-wine), on drive letters mapped to those nodes. Every run is repeated
# under --simulate on the same scenario (sharing one state file from run to
# run, as the gadgets keep their cameras between runs) and the two traces must
# match, device paths aside. Ends with "rig: N passed, M failed".
set -u
part=${1:?cameras, faults or wine}
zulctl=$RIG_ROOT/build/native/cli/zulctl
zulctl_exe=$RIG_ROOT/build/mingw64/cli/zulctl.exe
scenario=$RIG_ROOT/tests/rig/$part.json
[[ $part == wine ]] && scenario=$RIG_ROOT/tests/rig/cameras.json
work=/tmp/rig-checks
mkdir -p "$work" && chmod 1777 "$work"
check_prefix=rig
# shellcheck source=scripts/checks.sh
source "$RIG_ROOT/scripts/checks.sh"

# A drive's sg node: where it is plugged now, else where it was first plugged.
sg_of() {
  local now
  now=$(rig-nodes | awk -v l="$1" '$1 == l {print $2}')
  if [[ -n $now ]]; then echo "$now"; else awk -v l="$1" '$1 == l {print $3}' "$RIG_DRIVES"; fi
}

# The zulctl under test, as the user: the native one on the sg nodes, or
# zulctl.exe under Wine on the drive letters (part wine).
#   zul TRACE-FILE ARGS...; "${zul_program[@]}" for a bounded run
if [[ $part == wine ]]; then
  zul_program=(rig-user rig-wine "$zulctl_exe")
  trace_arg() { echo "Z:${1//\//\\}"; }
else
  zul_program=(rig-user "$zulctl")
  trace_arg() { echo "$1"; }
fi
zul() {
  local trace=$1
  shift
  "${zul_program[@]}" --trace "$(trace_arg "$trace")" "$@"
}
# A drive as zul's --drive names it, and as its output shows it; the serial
# number's column in a list (Linux shows the block device before it).
serial_column=3
[[ $part == wine ]] && serial_column=2
drive_of() { if [[ $part == wine ]]; then echo "$1"; else sg_of "$1"; fi; }
shown_as() { if [[ $part == wine ]]; then echo "$1:"; else sg_of "$1"; fi; }
now() { date +%s%N; }
ms_since() { echo $((($(now) - $1) / 1000000)); }

# The trace with the rig's device paths as the simulated drives' letters, and
# the clock's argument bytes masked (set-time sends the time of the run).
canonical() {
  local script=""
  while read -r letter _ sg; do script+="s|^$sg |\\\\\\\\.\\\\$letter: |;"; done <"$RIG_DRIVES"
  # The plain disk: the kernel's own gadget answers otherwise. Wine's Z: (the
  # Unix root, in every prefix) is a drive to zulctl.exe too; its INQUIRY fails.
  sed -e "$script" -e 's/^\(.* FA 55 66 FE 06 00 00 0[34]\) .. .. .. /\1 XX XX XX /' "$1" |
    grep -v -e '^\\\\\.\\D: ' -e '^\\\\\.\\Z: 12 00 00 00 24 00 -> failed$'
}
same_trace() {  # NAME
  [[ -s $work/$1.real ]] || { echo "rig:      no requests traced"; return 1; }
  if diff <(canonical "$work/$1.real") <(canonical "$work/$1.sim") >"$work/$1.diff"; then return 0; fi
  head -n 6 "$work/$1.diff" | sed 's/^/rig:      /'
  return 1
}

# pair NAME EXIT LETTER INPUT ARGS...: zulctl ARGS on LETTER's node ("-": no
# --drive) and on the simulated drive, INPUT on standard input; both must end
# with EXIT and send the same requests.
pair() {
  local name=$1 want=$2 letter=$3 input=$4 real=() sim=()
  shift 4
  if [[ $letter != - ]]; then real=(--drive "$(drive_of "$letter")") sim=(--drive "$letter"); fi
  printf "$input" | zul "$work/$name.real" "${real[@]}" "$@" >"$work/$name.out" 2>&1
  local real_rc=$?
  printf "$input" | rig-user "$zulctl" --simulate="$scenario" --state "$work/state.json" \
    --trace "$work/$name.sim" "${sim[@]}" "$@" >"$work/$name.sim.out" 2>&1
  local sim_rc=$?
  check "$name: exit $want" test "$real_rc" -eq "$want" -a "$sim_rc" -eq "$want"
  ((real_rc == want)) || sed 's/^/rig:      /' "$work/$name.out"
  check "$name: trace as simulated" same_trace "$name"
}

start_ms=0  # the start of a program under Wine, in part wine
part_is_wine=0
[[ $part == wine ]] && part_is_wine=1

no_sg_open() { ! ls -l /proc/[0-9]*/fd 2>/dev/null | grep -q ' -> /dev/sg'; }

cameras() {
  local out rc
  # Without the udev rule the user cannot open the nodes, and is told why.
  out=$(rig-user "$zulctl" list 2>&1)
  rc=$?
  check "no udev rule: exit 2" test "$rc" -eq 2
  check "no udev rule: the message names the node" \
    grep -q "$(sg_of G).*access denied" <<<"$out"
  check "no udev rule: the message names the rule" grep -q 60-zul-camera.rules <<<"$out"
  cp "$RIG_ROOT/packaging/linux/60-zul-camera.rules" /run/udev/rules.d/
  udevadm control --reload
  udevadm trigger --subsystem-match=scsi_generic --action=add
  udevadm settle --timeout=30
  check "udev rule: the cameras' nodes go to plugdev, the disk's do not" \
    test "$(stat -c %G "$(sg_of G)")$(stat -c %G "$(sg_of E)")$(stat -c %G "$(sg_of D)")" = plugdevplugdevdisk

  camera_pairs
  performance
  all_cameras
  watch_replug
  watch_arrival
}

# The pairs of both zulctls on the cameras of cameras.json: list, the readout,
# logins, every setting, the read-back, the lock-out and the administrator.
camera_pairs() {
  pair list 0 - "" list
  check "list: both cameras, neither the impostor nor the disk" \
    test "$(cut -f1,"$serial_column" "$work/list.out" | tr -d '\r' | tr '\t\n' ' ')" = \
    "$(shown_as G) B7654321 $(shown_as K) C0000042 "
  if [[ $part != wine ]]; then
    # The plain disk gets the INQUIRY only (as root, who may open it).
    "$zulctl" --trace "$work/root-list.real" list >/dev/null 2>&1
    check "plain disk: the INQUIRY only" \
      test "$(grep "^$(sg_of D) " "$work/root-list.real" | cut -d' ' -f2-7)" = "12 00 00 00 24 00"
    rm -f "$work/root-list.real"  # root's: not for the user to copy
  fi

  pair status 0 G "" status
  pair login-wrong 4 G "9999\n" login
  # The camera's storage, opened by the login, shows as the user sees it: no
  # root step makes the kernel look (the user may not open the block device;
  # media polling and zulctl's wait must do it).
  local block size
  block=$(ls "/sys/class/scsi_generic/$(basename "$(sg_of G)")/device/block" 2>/dev/null)
  size=/sys/block/$block/size
  check "before the login: no medium in G's block device" test "$(cat "$size")" = 0
  # Natively zulctl's login waits for the medium itself: it must show within
  # 10 s of the login's start. Under Wine a program's start varies by
  # seconds: within 10 s of the login's end.
  local t_login login_ms bound=10000
  t_login=$(now)
  medium_watch "$size" "$work/medium.ms" $((part_is_wine ? 180000 : 10000)) &
  local watcher=$!
  pair login 0 G "2580\n" login
  login_ms=$(ms_since "$t_login")
  ((part_is_wine)) && bound=$((login_ms + 10000))
  wait "$watcher"
  check "login: the medium shows within 10 s, as the user" \
    test -s "$work/medium.ms" -a "$(cat "$work/medium.ms")" -le "$bound"
  echo "rig-perf: medium on /dev/$block $(cat "$work/medium.ms" || true) ms after the login started," \
    "$login_ms ms the login with its simulated twin (empty: not within the bound)"
  check "login: the storage is a block device of 2 MiB" test "$(rig-user cat "$size")" = 4096
  if [[ $part != wine ]]; then
    check "login: zulctl names the device to mount" \
      grep -qx "Storage opened on /dev/$block; mount it with: udisksctl mount -b /dev/$block" \
      "$work/login.out"
    # Reading the files needs the block device (group disk): root, after the checks above.
    check "login: its sample files can be listed" \
      bash -c "mdir -b -i '/dev/$block' :: | sort | tr '\n' ' ' | grep -q 'CLIP0001.MP4 ::/CLIP0002.MP4 ::/EVENTS.LOG'"
  fi
  pair set-resolution 0 G "2580\n" set-resolution 1080p
  pair set-loop 0 G "2580\n" set-loop off
  pair set-time 0 G "2580\n" set-time
  pair set-hint 0 G "2580\n" set-hint "near the door"
  pair set-reference 0 G "2580\n" set-reference --officer "A. N. OTHER" --department "RIVER UNIT" \
    --additional "SHIFT B"
  pair set-password 0 G "2580\n7777\n" set-password
  pair read-back 0 G "" status
  local field
  for field in "Resolution: *1080P" "Loop recording: No" "Password hint: *near the door" \
    "Officer: *A. N. OTHER" "Department: *RIVER UNIT" "Additional: *SHIFT B"; do
    check "read back: $field" grep -q "^$field" "$work/read-back.out"
  done
  pair old-password 4 G "2580\n" login
  pair new-password 0 G "7777\n" login

  # Locked out after six wrong passwords (four counted already).
  pair wrong-5 4 K "0000\n" login
  pair wrong-6 5 K "0000\n" login
  pair locked 5 K "4321\n" login
  pair admin-unlocks 0 K "888888\n" login
  check "no sg node left open" no_sg_open
}

# medium_watch SIZE-FILE OUT BOUND-MS: as the user, the milliseconds until
# the block device has a medium, written to OUT; nothing when not within
# BOUND-MS.
medium_watch() {
  rig-user bash -c 'start=$(date +%s%N) ms=0
    while ((ms < $2)); do
      (($(cat "$1") > 0)) && { echo "$ms"; exit; }
      sleep 0.1
      ms=$((($(date +%s%N) - start) / 1000000))
    done' _ "$1" "$3" >"$2"
}

# --all on this kernel: both cameras at once, each on a node and a thread of
# its own; G's password is 7777 by now, K's is not.
all_cameras() {
  local out rc before
  [[ $part != wine ]] && before=$(wc -l <"$RIG_SCRATCH/gadget-G.log")
  zul "$work/all-status.real" --all status >"$work/all-status.out" 2>&1
  rc=$?
  out=$(tr -d '\r' <"$work/all-status.out")
  check "--all status: exit 0" test "$rc" -eq 0
  check "--all status: both cameras, in node order" \
    test "$(cut -f1-3 <<<"$out" | tr '\t\n' '  ')" = \
    "$(shown_as G) B7654321 done $(shown_as K) C0000042 done "
  if [[ $part != wine ]]; then
    # One readout per camera, counted on G's bus: one identification and one
    # serial number request, and as many vendor wrappers as requests traced
    # (the INQUIRY aside, which the kernel may send of its own).
    tail -n +"$((before + 1))" "$RIG_SCRATCH/gadget-G.log" | grep '^CBW' >"$work/all-status.bus"
    check "--all status: G's bus carries one identification" \
      test "$(grep -c '^CBW FA 55 66 01 ' "$work/all-status.bus")" -eq 1
    check "--all status: G's bus carries one serial number request" \
      test "$(grep -c '^CBW FA 55 66 FE 60 00 00 14 ' "$work/all-status.bus")" -eq 1
    check "--all status: G's vendor wrappers are the vendor requests traced for it" \
      test "$(grep -c '^CBW FA 55 66 ' "$work/all-status.bus")" -eq \
      "$(grep -c "^$(sg_of G) FA 55 66 " "$work/all-status.real")"
    echo "rig-perf: --all status: G: $(grep -c '^CBW FA 55 66 ' "$work/all-status.bus") vendor wrappers, $(grep -c '^CBW FA 55 66 FE 60 00 00 14 ' "$work/all-status.bus") serial number request"
  fi
  printf '7777\n' | zul "$work/all-set-time.real" --all set-time >"$work/all-set-time.out" 2>&1
  rc=$?
  out=$(tr -d '\r' <"$work/all-set-time.out")
  check "--all set-time: exit 6, done on some cameras" test "$rc" -eq 6
  check "--all set-time: G done" grep -q "^$(shown_as G).B7654321.done" <<<"$out"
  check "--all set-time: K refused" grep -q "^$(shown_as K).C0000042.refused" <<<"$out"
  echo "$out" | sed 's/^/rig:      --all: /'
}

# until_in FILE PATTERN: waits up to 30 s for a line of FILE to match.
until_in() {
  local _
  for _ in $(seq 150); do grep -q -- "$2" "$1" && return 0; sleep 0.2; done
  return 1
}

# zulctl watch as the user, through udev's monitor on this kernel: the
# cameras docked at its start, then K pulled out and put back; the end of its
# input leaves it watching, SIGTERM ends it.
watch_replug() {
  local input=$work/watch.in out=$work/watch.out pid rc
  rm -f "$input" && mkfifo "$input"
  rig-user "$zulctl" watch <"$input" >"$out" 2>"$work/watch.err" &
  pid=$!
  exec 7>"$input"  # its standard input, held open until the end
  check "watch: G docked" until_in "$out" "^[0-9: -]*.$(sg_of G).B7654321.docked\$"
  check "watch: K docked" until_in "$out" "^[0-9: -]*.$(sg_of K).C0000042.docked\$"
  rig-user rig-drive unplug K
  check "watch: K removed" until_in "$out" "^[0-9: -]*.$(sg_of K).C0000042.removed\$"
  rig-user rig-drive plug K
  check "watch: K arrived again" until_in "$out" 'C0000042.arrived$'
  exec 7>&-  # the end of its input means nothing to the watch
  sleep 1
  check "watch: still watching after the end of its input" kill -0 "$pid"
  kill -TERM "$pid"  # a service manager's stop
  wait "$pid"
  rc=$?
  rm -f "$input"
  check "watch: exit 0 on SIGTERM" test "$rc" -eq 0
  check "watch: three cameras handled" grep -qx "Cameras handled: 3" "$out"
  check "watch: neither the impostor nor the disk" \
    test "$(grep -c -e docked -e arrived "$out")" -eq 3
  check "watch: no sg node left open" no_sg_open
  sed 's/^/rig:      watch: /' "$out"
}

# What a camera's arrival costs under zulctl watch, on G's bus (its gadget
# logs every command wrapper) and in zulctl's trace: the INQUIRY, the
# identification and the serial number, nothing else, on the device the
# udev notice named.
watch_arrival() {
  local out=$work/watch-arrival.out trace=$work/watch-arrival.real pid lines before
  rig-user "$zulctl" --trace "$trace" watch </dev/null >"$out" 2>"$work/watch-arrival.err" &
  pid=$!
  check "watch arrival: G docked" until_in "$out" 'B7654321.docked$'
  rig-user rig-drive unplug G
  check "watch arrival: G removed" until_in "$out" 'B7654321.removed$'
  lines=$(wc -l <"$trace")
  before=$(wc -l <"$RIG_SCRATCH/gadget-G.log")
  rig-user rig-drive plug G
  check "watch arrival: G arrived" until_in "$out" 'B7654321.arrived$'
  kill -TERM "$pid"
  wait "$pid"
  tail -n +"$((lines + 1))" "$trace" | cut -d' ' -f2-5 >"$work/watch-arrival.requests"
  tail -n +"$((before + 1))" "$RIG_SCRATCH/gadget-G.log" | grep '^CBW FA 55 66 ' \
    >"$work/watch-arrival.bus"
  check "watch arrival: traced, the INQUIRY, the identification, the serial number" \
    test "$(tr '\n' ' ' <"$work/watch-arrival.requests")" = \
    "12 00 00 00 FA 55 66 01 FA 55 66 FE "
  check "watch arrival: on G's bus, the identification and the serial number" \
    test "$(cut -c5-27 "$work/watch-arrival.bus" | tr '\n' ' ')" = \
    "FA 55 66 01 00 00 00 00 FA 55 66 FE 60 00 00 14 "
  echo "rig-perf: watch arrival: $(wc -l <"$work/watch-arrival.requests") requests traced, $(wc -l <"$work/watch-arrival.bus") vendor wrappers on G's bus"
}

# Time per request through the real stack next to the simulated port, both in
# this guest, in one run (Google Benchmark: bench/RigBench.cpp), and the
# command wrappers one zulctl readout puts on the bus against its requests.
performance() {
  local before after
  before=$(grep -c '^CBW' "$RIG_SCRATCH/gadget-G.log")
  rig-user "$zulctl" --drive "$(sg_of G)" --trace "$work/perf.real" status >/dev/null
  after=$(grep -c '^CBW' "$RIG_SCRATCH/gadget-G.log")
  echo "rig-perf: one zulctl status: $(wc -l <"$work/perf.real") requests, $((after - before)) command wrappers on the bus"
  # K: its texts are still the scenario's, so both read as many chunks; its
  # gadget logs nothing (G's log of every wrapper would slow it down).
  ZUL_RIG_SG=$(sg_of K) ZUL_RIG_SCENARIO=$scenario ZUL_RIG_LETTER=K \
    rig-user "$RIG_ROOT/build/native/bench/rig-bench" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true 2>&1 | grep -E '_(median|cv) ' | sed 's/^/rig-perf: /'
}

# timed_status NAME LETTER WHAT: zulctl status on LETTER, as the user, cut
# off after 120 s; sets rc and ms (its exit status and time).
timed_status() {
  local t
  t=$(now)
  timeout 120 "${zul_program[@]}" --drive "$(drive_of "$2")" --trace "$(trace_arg "$work/$1.real")" \
    status >"$work/$1.out" 2>&1
  rc=$?
  ms=$(ms_since "$t")
  echo "rig: $3: exit $rc after $ms ms, $(wc -l <"$work/$1.real") requests traced"
}

# zulctl_faults UNPLUG-LETTER: the camera UNPLUG-LETTER leaves the bus in the
# readout, H goes silent, L stalls a request. The time bounds are the native
# program's plus start_ms (the start of a program under Wine).
zulctl_faults() {
  local rc ms sg letter=$1 start=$start_ms
  # The camera leaves the bus at its 8th request, in the middle of the readout.
  sg=$(sg_of "$letter")
  timed_status unplug "$letter" "unplugged in the readout"
  check "unplug in the readout: exit 3" test "$rc" -eq 3
  check "unplug in the readout: within 30 s" test "$ms" -lt $((30000 + start))
  check "unplug in the readout: no sg node left open" no_sg_open
  for _ in $(seq 100); do [[ -e $sg ]] || break; sleep 0.1; done
  check "unplug in the readout: the node is gone" test ! -e "$sg"

  # H stops answering at its 8th request: the host's time-out ends it.
  timed_status silent H "silent camera"
  check "silent camera: exit 3" test "$rc" -eq 3
  check "silent camera: within 60 s" test "$ms" -lt $((60000 + start))
  check "silent camera: no sg node left open" no_sg_open

  # L stalls the data phase of its 8th request and fails it with HARDWARE
  # ERROR: the host clears the halt, takes the status and the sense, and the
  # kernel sends the block again (usb-storage retries hardware errors), so the
  # readout comes out whole.
  timed_status stall L "stalled request"
  check "stall: exit 0" test "$rc" -eq 0
  check "stall: within 30 s" test "$ms" -lt $((30000 + start))
  check "stall: the readout is whole" grep -q '^Serial number: *L0000004' "$work/stall.out"
  check "stall: the stalled block went twice on the bus" \
    test "$(grep -c '^CBW FA 55 66 FE 60 00 00 24 00 00' "$RIG_SCRATCH/gadget-L.log")" -eq 2
}

faults() {
  check "the four cameras are there" test "$(wc -l <"$RIG_DRIVES")" -eq 4
  zulctl_faults F

  # J: logged in, pulled out and put back (by the user): a new connection.
  printf '1234\n' | rig-user "$zulctl" --drive "$(sg_of J)" login >/dev/null 2>&1
  check "replug: logged in before" bash -c "rig-user '$zulctl' --drive '$(sg_of J)' status | grep -q '^Logged in: *yes'"
  rig-user rig-drive unplug J
  for _ in $(seq 100); do [[ -e $(sg_of J) ]] || break; sleep 0.1; done
  check "replug: gone when unplugged" test ! -e "$(sg_of J)"
  rig-user rig-drive plug J
  local found=""
  for _ in $(seq 100); do
    found=$(rig-user "$zulctl" list 2>/dev/null | awk '$3 == "J0000003" {print $1}')
    [[ -n $found ]] && break
    sleep 0.2
  done
  check "replug: found again" test -n "$found"
  check "replug: logged out (a new connection)" \
    bash -c "rig-user '$zulctl' --drive '$found' status | grep -q '^Logged in: *no'"
  check "no sg node left open" no_sg_open
}

# The Windows programs under Wine on this kernel, on both scenarios' drives:
# the window first meets F leaving the bus, then zulctl.exe J, H and L, then
# the pairs on the cameras of cameras.json, then the window logs in to G and
# changes a setting.
windows_programs() {
  local t
  check "the eight drives are there" test "$(wc -l <"$RIG_DRIVES")" -eq 8
  # A virtual display of the user's own, for the window.
  export DISPLAY=:7
  rig-user bash -c 'Xvfb :7 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && exit 0; sleep 0.1; done; exit 1'
  check "a virtual display" test $? -eq 0
  # The prefix: a copy of the host's (the Windows tests' own, under build/),
  # twice as fast as wineboot under the emulator; wineboot without one.
  local from=$RIG_ROOT/build/wineprefix
  [[ -f $from/system.reg ]] || from=""
  t=$(now)
  rig-user env RIG_WINE_PREFIX_FROM="$from" rig-wine -- true 2>&1 | sed 's/^/rig-perf: /'
  echo "rig-perf: Wine ready for the user after $(ms_since "$t") ms"
  t=$(now)
  rig-user rig-wine "$zulctl_exe" --version >/dev/null 2>&1
  rig-user rig-wine "$zulctl_exe" --version >/dev/null 2>&1
  start_ms=$(($(ms_since "$t") / 2))
  echo "rig-perf: zulctl.exe --version under Wine: $start_ms ms (the first two runs' mean)"

  window_unplug
  zulctl_faults J
  # H and L out of the way of the pairs, which know only cameras.json's drives.
  rig-user rig-drive unplug H
  rig-user rig-drive unplug L
  camera_pairs
  all_cameras
  wine_performance
  window_flows
}

# window MODE: the window's driver (tests/e2e/RigWindowE2E.cpp) as the user
# under Wine; its screenshots in $work/shots-MODE, its traces in
# $work/window-MODE, the sg nodes the user holds open at each screenshot in
# $work/window-MODE/open-at-NAME. Sets rc.
window() {
  local hook=$work/open-nodes
  cat >"$hook" <<'EOS'
#!/bin/bash
ls -l /proc/[0-9]*/fd 2>/dev/null | grep -o '/dev/sg[0-9]*.*' >"$E2E_WORK/open-at-$1"
exit 0
EOS
  chmod 755 "$hook"
  rig-user env E2E_AT_SNAPSHOT="$hook" E2E_WORK="$work/window-$1" rig-wine -- \
    bash "$RIG_ROOT/tests/e2e/run-e2e.sh" "$RIG_ROOT/build/mingw64/tests/e2e/e2e_rig_window.exe" \
    "$RIG_ROOT/build/mingw64/app/ZUL_PC_TOOL.exe" "$RIG_ROOT/tests/rig" "$work/shots-$1" \
    "$work/window-$1" "$1" 2>&1 | sed 's/^/rig:      window: /'
  rc=${PIPESTATUS[0]}
}

# The window's first readout meets F leaving the bus; a device arrival then
# reads G.
window_unplug() {
  local rc sg
  sg=$(sg_of F)
  window unplug
  check "window, F unplugged in the readout: the driver's checks pass" test "$rc" -eq 0
  check "window, F unplugged: its node not held open" \
    bash -c "test -f '$work/window-unplug/open-at-rig-unplugged' && ! grep -q '^$sg\\b' '$work/window-unplug/open-at-rig-unplugged'"
  check "window, F unplugged: the node is gone" test ! -e "$sg"
  check "window, F unplugged: no sg node left open" no_sg_open
}

# G plugged in anew (logged out, its storage closed), then the window: its
# readout, a login through the terms notice, a setting; zulctl.exe reads the
# setting back.
window_flows() {
  local rc size block
  rig-user rig-drive unplug G
  rig-user rig-drive plug G
  for _ in $(seq 100); do [[ -n $(rig-nodes | awk '$1 == "G"') ]] && break; sleep 0.1; done
  block=$(ls "/sys/class/scsi_generic/$(basename "$(sg_of G)")/device/block" 2>/dev/null)
  size=/sys/block/$block/size
  check "window: G plugged in anew, no medium" test "$(cat "$size" 2>/dev/null)" = 0
  window flows
  check "window, login and a setting: the driver's checks pass" test "$rc" -eq 0
  medium_watch "$size" "$work/window-medium.ms" 10000
  check "window login: the storage is released (G's block device has its medium)" \
    test "$(rig-user cat "$size")" = 4096
  zul "$work/window-read-back.real" --drive G status >"$work/window-read-back.out" 2>&1
  check "window's setting read back by zulctl.exe: Resolution 720P" \
    grep -q '^Resolution: *720P' "$work/window-read-back.out"
  check "no sg node left open" no_sg_open
}

# One request's time through Wine and this kernel next to the native
# port's, on K in the same boot, each measured inside its process (the start
# of a program under Wine varies by seconds): rig-request-time.exe under Wine,
# rig-bench's BM_Request natively; and zulctl.exe's whole status next to the
# native zulctl's.
wine_performance() {
  local t
  rig-user rig-wine "$RIG_ROOT/build/mingw64/bench/rig-request-time.exe" K 2>&1 |
    tr -d '\r' | sed 's/^/rig-perf: Wine, Windows port: /'
  ZUL_RIG_SG=$(sg_of K) ZUL_RIG_SCENARIO=$scenario ZUL_RIG_LETTER=K \
    rig-user "$RIG_ROOT/build/native/bench/rig-bench" --benchmark_filter=BM_Request \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>&1 |
    grep -E '_median ' | sed 's/^/rig-perf: native, Linux port: /'
  t=$(now)
  rig-user rig-wine "$zulctl_exe" --drive K status >/dev/null 2>&1
  echo "rig-perf: zulctl.exe status of K under Wine: $(ms_since "$t") ms"
  t=$(now)
  rig-user "$zulctl" --drive "$(sg_of K)" status >/dev/null 2>&1
  echo "rig-perf: native zulctl status of K: $(ms_since "$t") ms"
}

case $part in
  wine) windows_programs ;;
  *) "$part" ;;
esac
# The checks' files, left for a look on the host (the run folder's out/),
# written as the user: the one place the guest's user may write to.
check "the checks' files reach the host" rig-user cp -r "$work" "$RIG_OUT/"
checks_end
