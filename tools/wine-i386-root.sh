#!/usr/bin/env bash
# Makes, once, the i386 Debian 12 root in which the 32-bit Windows builds run under wine32.
# The machine itself keeps its amd64 packages: wine32:i386 there would upgrade dozens of them.
#
#   wine-i386-root.sh [ROOT]          makes ROOT (default /var/cache/ov-wine-i386); run as root
#   wine-i386-root.sh --image [ROOT]  makes ROOT.img, as where the kernel runs no 32-bit programs
#   wine-i386-root.sh --probe         exits 0 when this kernel runs 32-bit programs, 3 when not
#
# Where the kernel runs no 32-bit programs (some virtual machines), or with --image, the root is
# ROOT.img, an ext4 image for the disk of the machine of tools/wine-i386-vm.sh: debootstrap
# unpacks it here, and its second stage and the wine32 install run inside that machine from
# packages fetched here, since the machine has no network. dpkg there is many times faster on a
# disk than on 9p.
set -euo pipefail
tree=$(cd "$(dirname "$0")/.." && pwd)

# The smallest i386 program: exit(0).
runs_32_bit() {
  local probe status=0
  probe=$(mktemp)
  python3 - "$probe" <<'PROBE'
import struct, sys
base, code = 0x08048000, bytes([0xb8, 1, 0, 0, 0, 0x31, 0xdb, 0xcd, 0x80])
size = 52 + 32 + len(code)
header = struct.pack('<16sHHIIIIIHHHHHH', b'\x7fELF\x01\x01\x01' + bytes(9), 2, 3, 1, base + 84, 52, 0, 0,
                     52, 32, 1, 0, 0, 0)
segment = struct.pack('<IIIIIIII', 1, 0, base, base, size, size, 5, 0x1000)
open(sys.argv[1], 'wb').write(header + segment + code)
PROBE
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  return "$status"
}

if [ "${1:-}" = --probe ]; then
  runs_32_bit && exit 0
  exit 3
fi
image_only=false
if [ "${1:-}" = --image ]; then
  image_only=true
  shift
fi
root=${1:-/var/cache/ov-wine-i386}
if [ "$(id -u)" -ne 0 ]; then
  echo "wine-i386-root.sh: run as root (it builds a Debian root)" >&2
  exit 1
fi
# What the root holds; a root made for less is made again.
packages=(wine wine32 fonts-wine xvfb)
image=$root.img
native=false
ready=$image.ov-ready
if ! $image_only && runs_32_bit; then
  native=true
  ready=$root/.ov-ready
fi
if [ -e "$ready" ] && [ "$(cat "$ready")" = "${packages[*]}" ]; then
  exit 0
fi

# The same archive the machine's own apt uses.
mirror=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*\/debian\)[[:space:]]*$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1)
if [ -z "$mirror" ] && [ -e /etc/apt/sources.list ]; then
  mirror=$(awk '$1 == "deb" && $3 ~ /^bookworm$/ { print $2; exit }' /etc/apt/sources.list)
fi
if [ -z "$mirror" ]; then
  echo "wine-i386-root.sh: no Debian archive found in the apt sources" >&2
  exit 1
fi
mkdir -p "$(dirname "$root")"
install_command=(/usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive
                 apt-get install -y -q --no-install-recommends "${packages[@]}")
if $native; then
  rm -rf "$root"
  debootstrap --arch=i386 --variant=minbase bookworm "$root" "$mirror" >/dev/null
  cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
  chroot "$root" "${install_command[@]}" >/dev/null
  chroot "$root" apt-get clean
  echo "${packages[*]}" >"$ready"
  echo "wine-i386-root.sh: made $root"
  exit 0
fi

# Unpacked beside the image, so that a root made for this kernel stays.
stage=$image.d
echo "wine-i386-root.sh: $image is made in a virtual machine"
rm -rf "$stage" "$image" "$ready"
debootstrap --foreign --arch=i386 --variant=minbase bookworm "$stage" "$mirror" >/dev/null
# This machine's apt fetches for the root, with the root's sources and keys and this machine's
# settings (proxies); lists and packages go where the root's apt looks. The root has no
# packages configured yet, so this fetches its base too: the same files debootstrap fetched.
etc=$stage/etc/apt
fetch=(apt-get -q -o Debug::NoLocking=1 -o APT::Architecture=i386 -o APT::Architectures::=i386
       -o Dir::Etc::sourcelist="$etc/sources.list" -o Dir::Etc::sourceparts="$etc/sources.list.d"
       -o Dir::Etc::trusted="$etc/trusted.gpg" -o Dir::Etc::trustedparts="$etc/trusted.gpg.d"
       -o Dir::Etc::preferences="$etc/preferences" -o Dir::Etc::preferencesparts="$etc/preferences.d"
       -o Dir::State="$stage/var/lib/apt" -o Dir::State::status="$stage/var/lib/dpkg/status"
       -o Dir::Cache="$stage/var/cache/apt")
"${fetch[@]}" update >/dev/null
"${fetch[@]}" install -y --download-only --no-install-recommends "${packages[@]}" >/dev/null
# A root thrown away when half made needs no syncs.
echo force-unsafe-io >"$stage/etc/dpkg/dpkg.cfg.d/ov-unsafe-io"
mkfs.ext4 -q -F -d "$stage" -L ov-wine-i386 "$image" 8G
rm -rf "$stage"

vm=$tree/tools/wine-i386-vm.sh
state=$tree/build-wine/vm-root
trap 'bash "$vm" stop "$state"' EXIT
bash "$vm" start "$state" "$image" "$tree"
bash "$vm" run "$state" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
  /debootstrap/debootstrap --second-stage >/dev/null
bash "$vm" run "$state" "${install_command[@]}" >/dev/null
bash "$vm" run "$state" /bin/sh -c 'apt-get clean && rm /etc/dpkg/dpkg.cfg.d/ov-unsafe-io'
bash "$vm" stop "$state"
trap - EXIT
rm -rf "$state"
echo "${packages[*]}" >"$ready"
echo "wine-i386-root.sh: made $image"
