#!/usr/bin/env bash
# Boots Debian's kernel under QEMU (TCG) with the host's file system shared
# read-only into the guest, plugs the drives of a scenario into the guest's USB
# stack through dummy_hcd, one port each, in letter order (cameras and
# impostors as camera-gadget over FunctionFS, plain disks as the kernel's own
# mass-storage gadget), and runs COMMAND inside the guest as a user without
# root, in the folder the script was started from. Prints its output and exits
# with its status.
#
#   scripts/kernel-rig.sh --scenario FILE [OPTIONS] -- COMMAND [ARGS...]
#
# Options:
#   --gadget LETTER ARGS  more arguments for the camera-gadget of LETTER (its
#                         link faults: "--silent-from 5", "--stall 3", ...)
#   --no-udev-rule        the guest's udev starts without the project's rule
#   --root                run COMMAND as root; it can run a command as the
#                         user with `rig-user CMD...`
#   --timeout SECONDS     the whole run, boot included (default 600)
#   --wine                room for Wine in the guest (3 GiB of memory: a prefix
#                         of about 700 MB lives in the guest's /tmp); see
#                         rig-wine below
#
# Inside the guest: the build's programs at their host paths; RIG_SCRATCH, the
# run's folder on the host (private to the user who started the rig: root's
# in the guest, with the gadgets' logs); RIG_OUT, a folder in it the command
# may write to as the user (traces, state files), kept on the host as out/;
# RIG_DRIVES, a file of "LETTER TYPE /dev/sgN" lines; `rig-drive
# unplug|plug LETTER` pulls a drive out of its port and puts it back (as any
# user); `rig-user`; `rig-wine PROGRAM.exe ARGS...` runs a Windows program
# under Wine as its caller, every plugged drive's letter mapped to its sg node
# (scripts/kernel-rig-guest.sh says how).
#
# The kernel package is fetched once with apt-get download into
# build/kernel-rig/cache and unpacked there, never installed on the host.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rig=$root/build/kernel-rig

scenario="" udev_rule=1 as_root=0 timeout=600 memory=1024
declare -A gadget_args=()
while (($#)); do
  case $1 in
    --scenario) scenario=$(realpath "$2"); shift 2 ;;
    --gadget) gadget_args[$2]=$3; shift 3 ;;
    --no-udev-rule) udev_rule=0; shift ;;
    --root) as_root=1; shift ;;
    --timeout) timeout=$2; shift 2 ;;
    --wine) memory=3072; shift ;;
    --) shift; break ;;
    *) echo "kernel-rig: unknown option $1" >&2; exit 2 ;;
  esac
done
if [[ -z $scenario || $# -eq 0 ]]; then
  echo "usage: scripts/kernel-rig.sh --scenario FILE [OPTIONS] -- COMMAND [ARGS...]" >&2
  exit 2
fi
# The paths reach the guest in a file on the shared run folder (never on the
# kernel's command line, which splits at a space), one a line; QEMU's options
# take a comma doubled. Only a newline cannot be carried.
if [[ $root == *$'\n'* ]]; then
  echo "kernel-rig: the checkout's path contains a newline, which the rig cannot pass to the guest: $root" >&2
  exit 2
fi
gadget=$root/build/native/gadget/camera-gadget
for program in "$gadget" "$root/build/native/cli/zulctl"; do
  [[ -x $program ]] || { echo "kernel-rig: $program missing: build the native preset" >&2; exit 2; }
done

# The kernel: fetched and unpacked once.
kernel_package=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/.*Depends: \(linux-image-[0-9].*\)/\1/p' | head -1)
mkdir -p "$rig/cache"
if [[ -z $kernel_package ]]; then  # no package lists: whatever was fetched before
  deb=$(ls "$rig"/cache/linux-image-*.deb 2>/dev/null | tail -1)
else
  deb=$(ls "$rig"/cache/"$kernel_package"_*.deb 2>/dev/null | tail -1 || true)
  if [[ -z $deb ]]; then
    (cd "$rig/cache" && apt-get download "$kernel_package" >/dev/null 2>&1)
    deb=$(ls "$rig"/cache/"$kernel_package"_*.deb | tail -1)
  fi
fi
[[ -n $deb ]] || { echo "kernel-rig: no kernel package" >&2; exit 2; }
version=$(basename "$deb" | sed 's/^linux-image-\([^_]*\)_.*/\1/')
kdir=$rig/kernel-$version
if [[ ! -f $kdir/lib/modules/$version/modules.dep ]]; then
  rm -rf "$kdir"
  dpkg-deb -x "$deb" "$kdir"
  depmod -b "$kdir" "$version"
fi

# The initial file system: busybox, the modules that reach the host's files,
# and the first stage of the guest's start.
initrd=$rig/initrd-$version.cpio.gz
if [[ ! -f $initrd || $root/scripts/kernel-rig.sh -nt $initrd ]]; then
  staging=$(mktemp -d "$rig/initrd.XXXXXX")
  mkdir -p "$staging"/{bin,dev,proc,sys,newroot,hostroot,modules}
  cp /bin/busybox "$staging/bin/busybox"
  modprobe -d "$kdir" -S "$version" --show-depends -a virtio_pci 9pnet_virtio 9p |
    sed -n 's/^insmod \(.*\.ko[.a-z]*\)\( .*\)\{0,1\}$/\1/p' | awk '!seen[$0]++' | while IFS= read -r ko; do
      cp "$ko" "$staging/modules/"
      basename "$ko" >>"$staging/modules/order"
    done
  cat >"$staging/init" <<'EOF'
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for m in $(cat /modules/order); do insmod /modules/$m; done
# The run folder's paths file: the run folder, the source tree, the guest's script.
share() { mount -t 9p -o trans=virtio,version=9p2000.L,rw,msize=262144 scratch "$1"; }
mkdir /run && share /run
{ IFS= read -r scratch; IFS= read -r tree; IFS= read -r guest; } </run/paths
umount /run
mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=262144,cache=loose host /newroot
# The guest's /tmp and /run are its own; a source tree the host keeps under
# one of them (a clone in /tmp) is put back in its place.
mount -o bind /newroot /hostroot
mount -t tmpfs tmpfs /newroot/tmp
mount -t tmpfs tmpfs /newroot/run
case $tree in
  /tmp/* | /run/*) mkdir -p "/newroot$tree" && mount -o bind "/hostroot$tree" "/newroot$tree" ;;
esac
share "/newroot$scratch"
mount --move /dev /newroot/dev
mount --move /proc /newroot/proc
mount --move /sys /newroot/sys
exec chroot /newroot /bin/bash "$guest" "$scratch"
EOF
  chmod +x "$staging/init"
  (cd "$staging" && find . | cpio -o -H newc --quiet | gzip -1 >"$initrd.tmp")
  mv "$initrd.tmp" "$initrd"
  rm -rf "$staging"
fi

# The run's own folder, shared read-write: the job, images, output, status.
# Private to this user: the guest's root sources job.sh from it. The guest's
# user writes only to out/, open to all (the guest's user is nobody to this
# host, and 9p without mapped ids keeps the host's owner) but reached on the
# host only through the private folder, in the guest through a bind mount.
mkdir -p "$rig/runs"
scratch=$(mktemp -d "$rig/runs/run.XXXXXX")
chmod 0700 "$scratch"
mkdir -m 0777 "$scratch/out"
printf '%s\n' "$scratch" "$root" "$root/scripts/kernel-rig-guest.sh" >"$scratch/paths"
{
  printf 'ROOT=%q\nKDIR=%q\nSCENARIO=%q\nUDEV_RULE=%d\nAS_ROOT=%d\nCWD=%q\n' \
    "$root" "$kdir" "$scenario" "$udev_rule" "$as_root" "$PWD"
  printf 'COMMAND=('
  printf '%q ' "$@"
  printf ')\ndeclare -A GADGET_ARGS=('
  for letter in "${!gadget_args[@]}"; do printf '[%s]=%q ' "$letter" "${gadget_args[$letter]}"; done
  printf ')\n'
} >"$scratch/job.sh"

# The cameras' storage: a small FAT image with a few sample files; the plain
# disk: one of its own.
samples=$scratch/samples
mkdir -p "$samples"
printf 'clip 1\n' >"$samples/CLIP0001.MP4"
printf 'clip 2\n' >"$samples/CLIP0002.MP4"
printf 'camera log\n' >"$samples/EVENTS.LOG"
mkfs.vfat -C -n CAMERA "$scratch/camera.img" 2048 >/dev/null
mcopy -i "$scratch/camera.img" "$samples"/* ::
mkfs.vfat -C -n PLAINDISK "$scratch/disk.img" 1024 >/dev/null

# SMAP off: with it, Debian's QEMU under TCG faults the return to user mode of
# Wine's processes (iretq taken for a supervisor access), and the guest's
# kernel oopses them at their first system call.
rc=0
timeout --kill-after=10 "$timeout" qemu-system-x86_64 -machine pc,accel=tcg -cpu max,-smap \
  -m "$memory" -smp 1 \
  -nodefaults -no-reboot -display none -serial "file:$scratch/console.log" \
  -kernel "$kdir/boot/vmlinuz-$version" -initrd "$initrd" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1" \
  -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
  -virtfs "local,path=${scratch//,/,,},mount_tag=scratch,security_model=none,multidevs=remap" \
  </dev/null || rc=$?

[[ -f $scratch/stdout ]] && cat "$scratch/stdout"
[[ -f $scratch/stderr ]] && cat "$scratch/stderr" >&2
if [[ ! -f $scratch/status ]]; then
  if ((rc == 124 || rc == 137)); then
    echo "kernel-rig: the guest did not finish within $timeout s" >&2
  else
    echo "kernel-rig: the guest stopped before the command ended (qemu exit $rc)" >&2
  fi
  tail -n 30 "$scratch/console.log" >&2 || true
  echo "kernel-rig: console log in $scratch/console.log" >&2
  exit 125
fi
status=$(cat "$scratch/status")
# The last few runs' folders stay, for their traces and logs.
ls -1dt "$rig"/runs/run.* 2>/dev/null | tail -n +6 | xargs -r -d '\n' rm -rf
exit "$status"
