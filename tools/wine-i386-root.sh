#!/usr/bin/env bash
# Makes, once, the i386 Debian 12 root in which the 32-bit Windows builds run under wine32.
# The machine itself keeps its amd64 packages: wine32:i386 there would upgrade dozens of them.
# Usage: tools/wine-i386-root.sh [ROOT]   (default /var/cache/ov-wine-i386; run as root)
# Exits with 3 when this kernel runs no 32-bit programs at all (some virtual machines): wine32
# cannot run there, in a root or elsewhere.
set -euo pipefail
root=${1:-/var/cache/ov-wine-i386}
if [ "$(id -u)" -ne 0 ]; then
  echo "wine-i386-root.sh: run as root (it builds a Debian root)" >&2
  exit 1
fi

# The smallest i386 program: exit(0).
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
if ! "$probe" 2>/dev/null; then
  rm -f "$probe"
  echo "wine-i386-root.sh: this kernel runs no 32-bit programs; wine32 cannot run here" >&2
  exit 3
fi
rm -f "$probe"

if [ -e "$root/.ov-ready" ]; then
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
debootstrap --arch=i386 --variant=minbase bookworm "$root" "$mirror" >/dev/null
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
chroot "$root" /usr/bin/env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -q --no-install-recommends wine wine32 fonts-wine >/dev/null
chroot "$root" apt-get clean
touch "$root/.ov-ready"
echo "wine-i386-root.sh: made $root"
