#!/usr/bin/env bash
# Builds Ombrisk.dll, Vorlane.dll and plughost.exe for 32-bit (i686) and 64-bit (x86_64)
# Windows and tests them under wine against the Linux build: x86_64 with this machine's wine64,
# i686 with wine32 in an i386 Debian root (tools/wine-i386-root.sh). Run as root.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
# wine32 needs a kernel that runs 32-bit programs; where it has none, the i686 build is still
# made and its exports, imports and install checked, but not run.
i686=ON
bash tools/wine-i386-root.sh || {
  status=$?
  [ "$status" -eq 3 ] || exit "$status"
  i686=OFF
  echo "wine-test.sh: the i686 build is checked but not run under wine32 on this machine" >&2
}
for preset in mingw-x86_64 mingw-i686; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
cmake --preset wine -DOV_WINE_I686="$i686" >/dev/null
cmake --build --preset wine

# A private X server: wine needs a display, and the editor tests a desktop of their own.
displayfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
xvfb=$!
launchers=()
cleanup() {
  for launcher in "${launchers[@]}"; do
    "$launcher" wineserver -k >/dev/null 2>&1 || true
  done
  kill "$xvfb" 2>/dev/null || true
  rm -f "$displayfile"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -s "$displayfile" ] && break
  sleep 0.1
done
export DISPLAY=":$(cat "$displayfile")"

# One wineserver per prefix for the whole run, started and warmed up here: wine's background
# processes would otherwise keep ctest's output pipe open after a test ends.
arches=(x86_64)
[ "$i686" = ON ] && arches+=(i686)
for arch in "${arches[@]}"; do
  launcher=build-wine/tests/wine/wine-$arch
  prefix=build-wine/tests/wine/prefix-$arch
  launchers+=("$launcher")
  mkdir -p "$prefix"
  "$launcher" wineserver -p
  "$launcher" wineboot -i >/dev/null 2>&1
  # Without a window manager, destroying a managed top-level window waits two seconds.
  "$launcher" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # "Small Fonts" and the other faces the editors name.
  mkdir -p "$prefix/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/"
  "$launcher" wine "build-mingw-$arch/bin/plughost.exe" --help >/dev/null
done

ctest --preset wine
