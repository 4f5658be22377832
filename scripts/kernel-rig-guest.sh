#!/bin/bash
# The guest's side of scripts/kernel-rig.sh, run as root in the host's file
# system (read-only) once the guest has booted: loads the USB modules, starts
# udev, plugs the scenario's drives in letter order, runs the command and
# leaves its output and status in the shared folder, then powers off.
scratch=$1
source "$scratch/job.sh"
export RIG_ROOT=$ROOT RIG_SCRATCH=$scratch RIG_DRIVES=/run/rig/drives RIG_OUT=/run/rig/out
export PATH=/run/rig/bin:/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
log() { echo "rig: $*" >>"$scratch/guest.log"; }
finish() {
  echo "$1" >"$scratch/status"
  sync
  echo 1 >/proc/sys/kernel/sysrq
  echo o >/proc/sysrq-trigger
  sleep 30
}
fail() { echo "kernel-rig (guest): $*" >>"$scratch/stderr"; finish 125; }
ln -sf /proc/self/fd /dev/fd
ln -sf /proc/self/fd/0 /dev/stdin
ln -sf /proc/self/fd/1 /dev/stdout
ln -sf /proc/self/fd/2 /dev/stderr
mkdir -p /dev/pts /dev/shm && mount -t devpts devpts /dev/pts && mount -t tmpfs tmpfs /dev/shm
log "booted after $(cut -d' ' -f1 /proc/uptime) s"

gadget=$ROOT/build/native/gadget/camera-gadget
mapfile -t drives < <("$gadget" --list --simulate "$SCENARIO")
((${#drives[@]} > 0)) || fail "the scenario has no drive"
mp() { modprobe -d "$KDIR" "$@" || fail "modprobe $* failed"; }
mp dummy_hcd num=${#drives[@]} is_high_speed=1 is_super_speed=0
mp usb-storage delay_use=0
for m in libcomposite usb_f_fs usb_f_mass_storage sg sd_mod; do mp "$m"; done
mount -t configfs none /sys/kernel/config

mkdir -p /run/udev/rules.d /run/rig/bin /run/rig/requests /run/rig/out
chmod 1777 /run/rig/requests
# The user's way to the run folder's out/, past the run folder (private).
mount --bind "$scratch/out" /run/rig/out
if ((UDEV_RULE)); then cp "$ROOT/packaging/linux/60-zul-camera.rules" /run/udev/rules.d/; fi
/lib/systemd/systemd-udevd --daemon >>"$scratch/guest.log" 2>&1 ||
  fail "systemd-udevd did not start"
# As a desktop's start does (systemd-udev-trigger): the block layer's add
# event again, for which udev's 60-block.rules turn on the kernel's polling of
# removable media (events_dfl_poll_msecs). Without it a user, who may not
# open the camera's block device, never sees the medium a login opens.
udevadm trigger --type=subsystems --action=add --subsystem-match=module --sysname-match=block
udevadm settle --timeout=30
poll=$(cat /sys/module/block/parameters/events_dfl_poll_msecs)
((poll > 0)) || fail "udev did not turn on media polling (events_dfl_poll_msecs is $poll)"
log "media polled every $poll ms"

# Helpers for the command.
cat >/run/rig/bin/rig-user <<'EOS'
#!/bin/bash
# Runs a command as the rig's user without root (nobody, in group plugdev).
exec setpriv --reuid=65534 --regid=65534 --groups=46 --inh-caps=-all env HOME=/tmp "$@"
EOS
cat >/run/rig/bin/rig-drive <<'EOS'
#!/bin/bash
# rig-drive unplug|plug LETTER: pulls the drive out of its port or puts it back.
[[ $1 == unplug || $1 == plug ]] && [[ $2 =~ ^[D-Z]$ ]] || { echo "usage: rig-drive unplug|plug LETTER" >&2; exit 2; }
request=/run/rig/requests/$1-$2
touch "$request"
for _ in $(seq 100); do [[ -e $request ]] || exit 0; sleep 0.1; done
echo "rig-drive: no answer" >&2
exit 1
EOS
cat >/run/rig/bin/rig-nodes <<'EOS'
#!/bin/bash
# rig-nodes: "LETTER /dev/sgN" for each drive plugged now, found by its USB
# serial number ("RIG" and the letter), with the shell's own commands (every
# process started costs under the emulated processor).
for sg in /sys/class/scsi_generic/sg*; do
  dir=$(cd -P "$sg/device" 2>/dev/null && pwd) || continue
  while [[ $dir == /sys/devices/* && ! -f $dir/serial ]]; do dir=${dir%/*}; done
  [[ -f $dir/serial ]] && read -r serial <"$dir/serial" && [[ $serial == RIG? ]] &&
    echo "${serial#RIG} /dev/${sg##*/}"
done
exit 0
EOS
cat >/run/rig/bin/rig-wine <<'EOS'
#!/bin/bash
# rig-wine PROGRAM.exe ARGS...: runs a Windows program under Wine as its
# caller; rig-wine -- COMMAND ARGS...: any command, in the same set-up.
# The caller's prefix (/tmp/rig-wine-UID, which Wine wants its user to own) is
# built at the first call of the boot, from RIG_WINE_PREFIX_FROM (a prefix to
# copy) when set, else by wineboot. At every call each plugged drive's letter
# is mapped to the drive's sg node as it is then: dosdevices/x: a folder,
# dosdevices/x:: the node, through which Wine passes IOCTL_SCSI_PASS_THROUGH
# on as SG_IO. A drive not plugged has no letter. The nodes' rights stay as
# the system set them (the plain disk's: group disk).
# Under the emulated processor every process started costs: only changed
# links are touched.
set -eu
export WINEPREFIX=/tmp/rig-wine-$(id -u) WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="
{
  flock 9
  # Wine's processes must not inherit the lock (its server outlives the call).
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    rm -rf "$WINEPREFIX"
    start=$(date +%s%N)
    if [[ -n ${RIG_WINE_PREFIX_FROM:-} ]]; then
      # What makes a prefix; the owner's own files (its server's) stay out.
      mkdir -m 0700 "$WINEPREFIX"
      from=$RIG_WINE_PREFIX_FROM
      cp -a "$from/dosdevices" "$from/drive_c" "$from"/*.reg "$from/.update-timestamp" "$WINEPREFIX/"
      how="copied from $from"
    else
      mkdir -m 0700 "$WINEPREFIX"
      wineboot -i >/dev/null 2>&1 </dev/null 9>&- || true
      how="built by wineboot"
    fi
    [[ -f $WINEPREFIX/system.reg ]] || { echo "rig-wine: no Wine prefix" >&2; exit 125; }
    echo "rig-wine: prefix $how in $((($(date +%s%N) - start) / 1000000)) ms" >&2
    # Wine's own fonts, where Debian leaves them, and no window manager to
    # wait for on the virtual display (as scripts/wine-env.sh does).
    for f in /usr/share/wine/fonts/*.ttf; do
      [[ -e $WINEPREFIX/drive_c/windows/Fonts/${f##*/} ]] || ln -s "$f" "$WINEPREFIX/drive_c/windows/Fonts/"
    done
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null 9>&- || true
    # The server stays for the boot: each program then starts in a fraction
    # of the time.
    wineserver -p >/dev/null 2>&1 </dev/null 9>&- || true
    mkdir -p "$WINEPREFIX/rig-drives"
    : >"$WINEPREFIX/rig-drives/mapped"
  fi
  declare -A node_of=()
  while read -r letter node; do node_of[$letter]=$node; done < <(rig-nodes)
  declare -A mapped=()
  while read -r letter node; do mapped[$letter]=$node; done <"$WINEPREFIX/rig-drives/mapped"
  : >"$WINEPREFIX/rig-drives/mapped.new"
  while read -r letter _; do
    node=${node_of[$letter]:-}
    if [[ $node != "${mapped[$letter]:-}" ]]; then
      l=${letter,,}
      rm -f "$WINEPREFIX/dosdevices/$l:" "$WINEPREFIX/dosdevices/$l::"
      if [[ -n $node ]]; then
        mkdir -p "$WINEPREFIX/rig-drives/$letter"
        ln -s "../rig-drives/$letter" "$WINEPREFIX/dosdevices/$l:"
        ln -s "$node" "$WINEPREFIX/dosdevices/$l::"
      fi
    fi
    [[ -z $node ]] || echo "$letter $node" >>"$WINEPREFIX/rig-drives/mapped.new"
  done <"$RIG_DRIVES"
  mv "$WINEPREFIX/rig-drives/mapped.new" "$WINEPREFIX/rig-drives/mapped"
} 9>>"/tmp/rig-wine-$(id -u).lock"
if [[ ${1:-} == -- ]]; then
  shift
  exec "$@"
fi
exec wine "$@"
EOS
chmod 755 /run/rig/bin/*

sg_count() { ls /sys/class/scsi_generic 2>/dev/null | wc -l; }
index=0
: >"$RIG_DRIVES"
for entry in "${drives[@]}"; do
  letter=${entry% *} type=${entry#* }
  g=/sys/kernel/config/usb_gadget/$letter
  mkdir "$g" "$g/strings/0x409" "$g/configs/c.1"
  if [[ $type == disk ]]; then
    echo 0x1d6b >"$g/idVendor"; echo 0x0104 >"$g/idProduct"  # Linux Foundation, composite gadget
    mkdir "$g/functions/mass_storage.0"
    echo 1 >"$g/functions/mass_storage.0/lun.0/removable"
    echo "$scratch/disk.img" >"$g/functions/mass_storage.0/lun.0/file"
    ln -s "$g/functions/mass_storage.0" "$g/configs/c.1/"
  elif [[ $type == camera || $type == impostor ]]; then
    # The camera's ids: the udev rule and zulctl's udev-rule know them.
    echo 0x1209 >"$g/idVendor"; echo 0x0001 >"$g/idProduct"
    mkdir "$g/functions/ffs.$letter" "/run/rig/ffs-$letter"
    mount -t functionfs "$letter" "/run/rig/ffs-$letter"
    # shellcheck disable=SC2086
    "$gadget" --ffs "/run/rig/ffs-$letter" --simulate "$SCENARIO" --drive "$letter" \
      --image "$scratch/camera.img" ${GADGET_ARGS[$letter]:-} >>"$scratch/gadget-$letter.log" 2>&1 &
    echo $! >"/run/rig/gadget-$letter.pid"
    for _ in $(seq 200); do [[ -e /run/rig/ffs-$letter/ep2 ]] && break; sleep 0.05; done
    [[ -e /run/rig/ffs-$letter/ep2 ]] || fail "camera-gadget for $letter did not start"
    ln -s "$g/functions/ffs.$letter" "$g/configs/c.1/"
  else
    log "drive $letter ($type) cannot be plugged into a USB port: left out"
    continue
  fi
  echo "RIG$letter" >"$g/strings/0x409/serialnumber"
  echo "kernel rig" >"$g/strings/0x409/manufacturer"
  echo "drive $letter ($type)" >"$g/strings/0x409/product"
  before=$(sg_count)
  echo "dummy_udc.$index" >"$g/UDC"
  echo "dummy_udc.$index" >"/run/rig/udc-$letter"
  index=$((index + 1))
  for _ in $(seq 600); do (($(sg_count) > before)) && break; sleep 0.05; done
  (($(sg_count) > before)) || fail "drive $letter ($type) gave no sg node"
  udevadm settle --timeout=30
  sg=$(rig-nodes | awk -v l="$letter" '$1 == l {print $2}')
  [[ -n $sg ]] || fail "drive $letter ($type): no sg node carries its serial number"
  echo "$letter $type $sg" >>"$RIG_DRIVES"
done
log "drives plugged after $(cut -d' ' -f1 /proc/uptime) s: $(tr '\n' ';' <"$RIG_DRIVES")"

# Unplug and replug on request of any user.
(
  while sleep 0.1; do
    for request in /run/rig/requests/*; do
      [[ -e $request ]] || continue
      name=${request##*/} action=${name%-*} letter=${name#*-}
      if [[ $action == unplug ]]; then echo "" >"/sys/kernel/config/usb_gadget/$letter/UDC"; fi
      if [[ $action == plug ]]; then cat "/run/rig/udc-$letter" >"/sys/kernel/config/usb_gadget/$letter/UDC"; fi
      udevadm settle --timeout=10
      rm -f "$request"
      log "$action $letter"
    done
  done
) &

cd "$CWD" || cd /tmp || fail "no /tmp"
if ((AS_ROOT)); then
  "${COMMAND[@]}" >"$scratch/stdout" 2>"$scratch/stderr" </dev/null
else
  rig-user "${COMMAND[@]}" >"$scratch/stdout" 2>"$scratch/stderr" </dev/null
fi
status=$?
log "command ended with $status after $(cut -d' ' -f1 /proc/uptime) s"
finish "$status"
