#!/usr/bin/env bash
# Builds the Debian package from a Release build, installs it into this machine with apt,
# checks it from where it installs (plughost from PATH rendering through /usr/lib/vst, a real
# host's scan of its default folders without VST_PATH, the manual page, the presets), removes
# it with apt and checks that nothing it installed is left. As root; Linux only.
# Usage: bash tools/deb-test.sh [BUILD_DIR]   (default build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
package=ombrisk-vorlane
export DEBIAN_FRONTEND=noninteractive

fail() {
  echo "deb-test.sh: $*" >&2
  exit 1
}

if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
  fail "$package is installed already; remove it first (apt-get remove $package)"
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --target Ombrisk Vorlane plughost plughost_man factory_preset_files
rm -f "$build"/"$package"_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/"$package"_*.deb)
echo "deb-test.sh: built $deb"
dpkg-deb --info "$deb"
dpkg-deb --field "$deb" Depends | grep -q 'libsndfile1' || fail "Depends lacks libsndfile1"

work=$(mktemp -d)
musepid=
cleanup() {
  if [ -n "$musepid" ]; then kill "$musepid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# What the package holds, and which of its folders exist before it is installed.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' | grep -v '^/\?$' > "$work/contents"
while read -r path; do
  if [ -d "$path" ]; then echo "$path"; fi
done < "$work/contents" > "$work/folders-before"

apt-get install -y "$(realpath "$deb")"

# plughost from PATH renders through the installed Vorlane, as the build's own plughost does
# through the build's Vorlane.
[ "$(command -v plughost)" = /usr/bin/plughost ] || fail "plughost on PATH is $(command -v plughost)"
python3 tools/make_signal.py "$work/in.wav"
preset=/usr/share/$package/presets/Vorlane/soft-clip.fxp
[ -f "$preset" ] || fail "missing $preset"
plughost process /usr/lib/vst/Vorlane.so "$work/in.wav" "$work/installed.wav" --preset "$preset"
"$build/bin/plughost" process "$build/bin/Vorlane.so" "$work/in.wav" "$work/built.wav" --preset "$preset"
cmp "$work/installed.wav" "$work/built.wav" || fail "the installed Vorlane renders differently from the build's"
plughost info --preset /usr/share/$package/presets/Ombrisk/factory.fxb | grep -q 'Programs: *16' ||
  fail "the Ombrisk bank does not hold 16 programs"
man -w plughost | grep -q '^/usr/share/man/man1/plughost.1.gz$' || fail "man does not find plughost's page"
man plughost 2>/dev/null | grep -q 'command-line host for VST 2 plug-ins' || fail "plughost's page does not show"

# MusE scans its default plug-in folders (~/.vst, /usr/lib/vst and others) on its first start:
# with an empty home and no VST_PATH, it must find both plug-ins in /usr/lib/vst.
home="$work/home"
mkdir -p "$home"
scan="$home/.cache/MusE/MusE/scanner/linux_vst_plugins.scan"
env -u VST_PATH -u LXVST_PATH HOME="$home" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=offscreen \
  muse -a -R -p -S -I -2 > "$work/muse.log" 2>&1 &
musepid=$!
for _ in $(seq 1 600); do
  if [ -f "$scan" ] && grep -q '</muse>' "$scan"; then break; fi
  kill -0 "$musepid" 2>/dev/null || break
  sleep 0.2
done
kill "$musepid" 2>/dev/null || true
wait "$musepid" 2>/dev/null || true
musepid=
[ -f "$scan" ] || { cat "$work/muse.log" >&2; fail "MusE wrote no scan of its plug-in folders"; }
for plugin in Ombrisk Vorlane; do
  grep -A6 "<plugin file=\"/usr/lib/vst/$plugin.so\"" "$scan" | grep -q "<name>$plugin</name>" ||
    fail "MusE's scan of its default folders does not list /usr/lib/vst/$plugin.so"
done
echo "deb-test.sh: MusE's scan of its default folders found both plug-ins"

apt-get remove -y "$package"
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'installed'; then
  fail "$package is still installed: $(dpkg-query -W -f='${Status}' "$package")"
fi
left=0
while read -r path; do
  if [ -e "$path" ] || [ -L "$path" ]; then
    if [ -d "$path" ] && grep -qxF "$path" "$work/folders-before"; then continue; fi
    echo "deb-test.sh: left after removal: $path" >&2
    left=1
  fi
done < "$work/contents"
[ "$left" -eq 0 ] || fail "the package left files behind"
# CPack gives packages with libraries under /usr/lib an ldconfig call on removal, so dpkg keeps
# its record (not its files) until purged; purged here, the machine is as before.
dpkg --purge "$package" > /dev/null
echo "deb-test.sh: installed, checked and removed $deb"
