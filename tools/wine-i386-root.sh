#!/usr/bin/env bash
# Makes, once, the i386 Debian 12 root in which the 32-bit Windows builds run under wine32.
# The machine itself keeps its amd64 packages: wine32:i386 there would upgrade dozens of them.
# Kernels that run no 32-bit programs (some virtual machines) get qemu's user-mode emulator
# registered for them, on every run, since the registration does not outlive a reboot.
# Usage: tools/wine-i386-root.sh [ROOT]   (default /var/cache/ov-wine-i386; run as root)
set -euo pipefail
root=${1:-/var/cache/ov-wine-i386}
if [ "$(id -u)" -ne 0 ]; then
  echo "wine-i386-root.sh: run as root (it builds a Debian root)" >&2
  exit 1
fi

i386_runs() {
  chroot "$root" /bin/true 2>/dev/null
}
register_qemu() {
  [ -e /proc/sys/fs/binfmt_misc/register ] ||
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] ||
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >/proc/sys/fs/binfmt_misc/register
}

if [ -e "$root/.ov-ready" ]; then
  i386_runs || register_qemu
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
rm -rf "$root"
mkdir -p "$(dirname "$root")"
debootstrap --arch=i386 --variant=minbase --foreign bookworm "$root" "$mirror" >/dev/null
i386_runs || register_qemu
chroot "$root" /debootstrap/debootstrap --second-stage >/dev/null
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
chroot "$root" /usr/bin/env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -q --no-install-recommends wine wine32 fonts-wine >/dev/null
chroot "$root" apt-get clean
touch "$root/.ov-ready"
echo "wine-i386-root.sh: made $root"
