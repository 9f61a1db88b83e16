#!/usr/bin/env bash
# Builds Ombrisk.dll, Vorlane.dll and plughost.exe for 32-bit (i686) and 64-bit (x86_64)
# Windows and tests them under wine against the Linux build: x86_64 with this machine's wine64,
# i686 with wine32 in an i386 Debian root (tools/wine-i386-root.sh). Run as root.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
# wine32 needs a kernel that runs 32-bit programs; where this one runs none, it runs in the
# i386 root inside a virtual machine (tools/wine-i386-vm.sh) instead. OV_WINE_I686=OFF in the
# environment only builds and checks the i686 build, without running it.
i686=${OV_WINE_I686:-ON}
case $i686 in
  ON | EMULATE | OFF) ;;
  *) echo "wine-test.sh: OV_WINE_I686 is ON, EMULATE or OFF, not '$i686'" >&2; exit 1 ;;
esac
if [ "$i686" != OFF ] && ! bash tools/wine-i386-root.sh --probe; then
  i686=EMULATE
  echo "wine-test.sh: this kernel runs no 32-bit programs: the i686 tests run in a virtual machine" >&2
fi
case $i686 in
  ON) bash tools/wine-i386-root.sh ;;
  EMULATE) bash tools/wine-i386-root.sh --image ;;
esac
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
desktops=()
traces=()
vm_state=$PWD/build-wine/tests/wine/vm-i686
cleanup() {
  for launcher in "${launchers[@]}"; do
    "$launcher" wineserver -k >/dev/null 2>&1 || true
  done
  for desktop in "${desktops[@]}"; do
    kill "$desktop" 2>/dev/null || true
  done
  rm -f "${traces[@]}"
  [ "$i686" != EMULATE ] || bash tools/wine-i386-vm.sh stop "$vm_state"
  kill "$xvfb" 2>/dev/null || true
  rm -f "$displayfile"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
for _ in $(seq 100); do
  [ -s "$displayfile" ] && break
  sleep 0.1
done
export DISPLAY=":$(cat "$displayfile")"

# One wineserver per prefix for the whole run, started and warmed up here: wine's background
# processes would otherwise keep ctest's output pipe open after a test ends.
arches=(x86_64)
[ "$i686" = OFF ] || arches+=(i686)
# The machine shows the i686 editors on an X server of its own.
[ "$i686" != EMULATE ] || bash tools/wine-i386-vm.sh start "$vm_state" /var/cache/ov-wine-i386.img "$PWD"
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
  # The desktop's explorer, started here and kept for the whole run: the first window of a
  # session starts it otherwise, and gives it ten seconds, which emulation exceeds; a session
  # whose explorer failed to start opens no window again. No window may open before it has
  # set up the desktop, which its trace tells (in /tmp, which the machine shares).
  trace=$(mktemp /tmp/ov-desktop.XXXXXX)
  traces+=("$trace")
  "$launcher" /bin/sh -c 'WINEDEBUG=trace+explorer exec wine explorer.exe /desktop 2>"$1"' sh "$trace" \
    >/dev/null 2>&1 &
  desktops+=($!)
  # Where it ends at once instead (a native wine64 here), the first window starts one in time.
  for _ in $(seq 1200); do
    grep -q 'desktop message loop starting' "$trace" && break
    kill -0 "${desktops[-1]}" 2>/dev/null || break
    sleep 0.5
  done
  for attempt in $(seq 10); do
    "$launcher" wine "build-mingw-$arch/bin/plughost.exe" editor \
      "build-mingw-$arch/tests/gui/GuiTestPlugin.dll" --idle-ms 1 >/dev/null 2>&1 && break
    if [ "$attempt" = 10 ]; then
      echo "wine-test.sh: no window opens on the $arch desktop" >&2
      exit 1
    fi
    sleep 3
  done
done

ctest --preset wine
