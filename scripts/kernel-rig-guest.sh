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
  node=$(ls -t /sys/bus/usb/devices/*/serial 2>/dev/null | while read -r f; do
    [[ $(cat "$f") == "RIG$letter" ]] && dirname "$f" && break; done)
  sg=$(find "$node"/ -path '*/scsi_generic/sg*' -maxdepth 8 2>/dev/null | head -1)
  echo "$letter $type /dev/${sg##*/}" >>"$RIG_DRIVES"
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
