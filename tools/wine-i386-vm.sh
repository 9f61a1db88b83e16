#!/usr/bin/env bash
# A virtual machine that runs 32-bit programs where this kernel runs none: Debian's amd64 kernel
# (its IA32 emulation is on) in qemu-system-x86_64, with the i386 root's ext4 image
# (tools/wine-i386-root.sh) as its disk, the source tree and /tmp shared in by 9p at the same
# paths as here. No network device. It serves command lines handed to it through files in a
# folder of the tree, so that the i686 wine launcher runs wine32 there as it would run it in the
# root on this machine.
#
#   wine-i386-vm.sh make                      kernel and initramfs, once, in /var/cache/ov-wine-i386-vm
#   wine-i386-vm.sh start STATE IMAGE TREE    boots; returns once the machine serves STATE
#   wine-i386-vm.sh run STATE COMMAND...      runs COMMAND in the root inside; its output, its status
#   wine-i386-vm.sh stop STATE                shuts the machine down (and kills it if it hangs)
#
# STATE is a folder inside TREE. KVM is used where /dev/kvm opens, else TCG. Run as root.
set -euo pipefail
cache=/var/cache/ov-wine-i386-vm
tool=$(readlink -f "$0")

# POSIX-quotes each argument, for a command line written to a file.
quote() {
  local arg
  for arg in "$@"; do
    printf "'%s' " "$(printf '%s' "$arg" | sed "s/'/'\\\\''/g")"
  done
}

make_pieces() {
  local kernel_version=4
  if [ -e "$cache/.ov-ready" ] && [ "$(cat "$cache/.ov-ready")" = "$kernel_version" ]; then
    return 0
  fi
  local missing=()
  for package in qemu-system-x86 busybox-static; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  apt-get update >/dev/null
  if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
  fi
  # The kernel package is unpacked here, not installed: this machine keeps its own boot setup.
  local image work
  image=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[^ ]*\)$/\1/p' | head -n1)
  work=$(mktemp -d)
  (cd "$work" && apt-get download "$image" >/dev/null 2>&1)
  dpkg-deb -x "$work"/*.deb "$work/x"
  local release
  release=$(ls "$work/x/lib/modules")
  busybox depmod -b "$work/x" "$release"
  rm -rf "$cache"
  mkdir -p "$cache"
  cp "$work/x/boot/vmlinuz-$release" "$cache/vmlinuz"

  # The initramfs: a static busybox, the modules for virtio and 9p with their dependencies,
  # and an /init that mounts the tree and hands over to this script's guest side.
  local initrd="$work/initrd" moddir="lib/modules/$release"
  mkdir -p "$initrd"/{bin,dev,proc,sys,tmp,mnt,"$moddir"}
  cp /bin/busybox "$initrd/bin/busybox"
  ln -s busybox "$initrd/bin/sh"
  local wanted=(virtio_pci 9pnet_virtio 9p virtio_blk ext4 crc32c_generic) done_modules=() module deps
  while [ ${#wanted[@]} -gt 0 ]; do
    module=${wanted[0]}
    wanted=("${wanted[@]:1}")
    [[ " ${done_modules[*]} " == *" $module "* ]] && continue
    done_modules+=("$module")
    local line path
    # Not there: built into the kernel.
    line=$(grep -E "/${module//_/[_-]}\.ko:" "$work/x/$moddir/modules.dep") || continue
    path=${line%%:*}
    mkdir -p "$initrd/$moddir/$(dirname "$path")"
    cp "$work/x/$moddir/$path" "$initrd/$moddir/$path"
    for deps in ${line#*:}; do
      wanted+=("$(basename "$deps" .ko)")
    done
  done
  cp "$work/x/$moddir/modules.dep" "$initrd/$moddir/"
  cat >"$initrd/init" <<'INIT'
#!/bin/sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
modprobe virtio_pci && modprobe 9pnet_virtio && modprobe 9p && modprobe virtio_blk && modprobe ext4
modprobe crc32c_generic 2>/dev/null
# Out of /tmp, where the tree may lie and /tmp's share goes. wine maps some images wrongly
# from 9p's cache=mmap; the tree does not change while the machine runs (the requests come
# through a share of their own).
mkdir -p /ov/tree
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,cache=loose tree /ov/tree &&
  exec sh /ov/tree/tools/wine-i386-vm-guest.sh
echo "wine-i386-vm: the tree is not shared in" >&2
poweroff -f
INIT
  chmod +x "$initrd/init"
  (cd "$initrd" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1 >"$cache/initrd.img")
  rm -rf "$work"
  echo "$kernel_version" >"$cache/.ov-ready"
  echo "wine-i386-vm.sh: made $cache ($image)"
}

start() {
  local state=$1 root=$2 tree=$3
  case "$state$root$tree" in *[[:space:]]*)
    echo "wine-i386-vm.sh: paths with spaces cannot pass on the kernel's command line" >&2
    exit 1 ;;
  esac
  make_pieces
  stop_machine "$state" 2>/dev/null || true
  rm -rf "$state"
  mkdir -p "$state/requests"
  # KVM where it works (a nested one may open and then hang: it gets half a minute to boot),
  # else TCG.
  if [ -z "${OV_NO_KVM:-}" ] && [ -r /dev/kvm ] && [ -w /dev/kvm ] && boot "$state" "$root" "$tree" 30 -accel kvm -cpu host,-arch-capabilities; then
    return 0
  fi
  boot "$state" "$root" "$tree" 900 -accel tcg,thread=multi -cpu max,-smap || {
    echo "wine-i386-vm.sh: the machine did not come up; its console:" >&2
    tail -n 40 "$state/console.log" >&2 || true
    exit 1
  }
}

# boot STATE ROOT TREE SECONDS QEMU-OPTIONS...: fails if the machine serves no STATE in time.
boot() {
  local state=$1 root=$2 tree=$3 limit=$4
  shift 4
  rm -f "$state/up" "$state/halt"
  local share=local,security_model=passthrough,multidevs=remap
  local began=$SECONDS
  qemu-system-x86_64 "$@" -machine q35 -smp "$(nproc)" -m 3072 \
    -nic none -display none -monitor none -no-reboot -serial "file:$state/console.log" \
    -kernel "$cache/vmlinuz" -initrd "$cache/initrd.img" \
    -append "console=ttyS0 quiet panic=-1 ov.tree=$tree ov.state=$state" \
    -virtfs "$share,path=$tree,mount_tag=tree" \
    -drive "file=$root,if=virtio,format=raw" \
    -virtfs "$share,path=/tmp,mount_tag=tmp" \
    -virtfs "$share,path=$state,mount_tag=state" \
    -daemonize -pidfile "$state/qemu.pid" || return 1
  while [ ! -e "$state/up" ]; do
    if ! kill -0 "$(cat "$state/qemu.pid")" 2>/dev/null || [ $((SECONDS - began)) -gt "$limit" ]; then
      stop_machine "$state"
      return 1
    fi
    sleep 0.2
  done
  echo "wine-i386-vm.sh: up in $((SECONDS - began)) s ($2)"
}

stop_machine() {
  local state=$1 pid
  [ -e "$state/qemu.pid" ] || return 0
  pid=$(cat "$state/qemu.pid")
  touch "$state/halt"
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
  rm -f "$state/qemu.pid" "$state/up"
}

# The client: one folder per command line; the machine takes it, runs it with this
# environment (DISPLAY becomes its own X server's, TMPDIR its memory's), and leaves the output and the status.
# Signals reach the command inside.
run() {
  local state=$1
  shift
  if [ ! -e "$state/up" ]; then
    echo "wine-i386-vm.sh: no machine serves $state (tools/wine-test.sh starts it)" >&2
    exit 125
  fi
  local request
  request=$(mktemp -d "$state/requests/r.XXXXXX")
  {
    local name
    for name in $(compgen -e); do
      case "$name" in PWD | OLDPWD | SHLVL | _ | DISPLAY | XAUTHORITY | TMPDIR) continue ;; esac
      printf 'export %s=%s\n' "$name" "$(quote "${!name}")"
    done
    [ -n "${DISPLAY:-}" ] && echo "export DISPLAY=:0"
    printf 'cd %s && exec ' "$(quote "$PWD")"
    quote "$@"
    echo
  } >"$request/command"
  for signal in INT TERM HUP QUIT; do
    # shellcheck disable=SC2064
    trap "echo $signal >'$request/signal.tmp' && mv '$request/signal.tmp' '$request/signal'" "$signal"
  done
  touch "$request/go"
  while [ ! -e "$request/status" ]; do
    if [ ! -e "$state/up" ] || [ ! -d "$request" ]; then
      echo "wine-i386-vm.sh: the machine of $state stopped before the command ended" >&2
      exit 125
    fi
    sleep 0.02
  done
  cat "$request/out"
  cat "$request/err" >&2
  local status
  status=$(cat "$request/status")
  rm -rf "$request"
  exit "$status"
}

command=${1:-}
shift || true
case "$command" in
  make) make_pieces ;;
  start) start "$@" ;;
  run) run "$@" ;;
  stop) stop_machine "$@" ;;
  *)
    echo "usage: wine-i386-vm.sh make | start STATE ROOT TREE | run STATE COMMAND... | stop STATE" >&2
    exit 2 ;;
esac
