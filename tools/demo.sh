#!/usr/bin/env bash
# The main job: builds the plug-ins and plughost, renders a short test signal through them and
# writes the results as WAV files into out/, with pictures of the editors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset default
cmake --build --preset default

mkdir -p out
/usr/bin/python3 tools/make_signal.py out/signal.wav
rendered=(out/signal.wav)

# render NAME PLUGIN [plughost process options...]
render() {
  local name=$1 plugin=$2
  shift 2
  build/bin/plughost process "$plugin" out/signal.wav "out/$name.wav" "$@" >/dev/null
  rendered+=("out/$name.wav")
}

# Ombrisk's factory presets (NAME TAIL --param INDEX=VALUE ... from its preset table), each
# stored into a program of its own as a host would, and the quarter-note echo in the third
# playback mode too.
ombrisk=build/bin/Ombrisk.so
program=1
while read -r name tail params; do
  # shellcheck disable=SC2086 # the parameters are separate words
  render "ombrisk-$name" "$ombrisk" --tail "$tail" --program "$program" $params
  [ "$name" = reverse-quarter ] && render ombrisk-alternate-quarter "$ombrisk" --tail "$tail" $params --param 7=1
  program=$((program + 1))
done < <(build/bin/factory_presets ombrisk)

# Vorlane: one render per factory preset, as the saved state of the plug-in (--load-chunk).
build/bin/factory_presets vorlane out/vorlane-presets >/dev/null
for chunk in out/vorlane-presets/*.chunk; do
  render "vorlane-$(basename "$chunk" .chunk)" build/bin/Vorlane.so --load-chunk "$chunk"
done

# The same factory presets through the LV2 bundles, as an LV2 host loads them by their URIs
# (lv2render, our host on lilv, finds the bundles through LV2_PATH).
render_lv2() {
  local name=$1 plugin=$2 preset=$3
  LV2_PATH="$PWD/build/lib/lv2:/usr/lib/lv2" build/bin/lv2render "$plugin" out/signal.wav "out/$name.wav" \
    --preset "$plugin:preset:$preset"
  rendered+=("out/$name.wav")
}
while read -r name _; do
  render_lv2 "lv2-ombrisk-$name" urn:ombrisk-vorlane:ombrisk "$name"
done < <(build/bin/factory_presets ombrisk)
for chunk in out/vorlane-presets/*.chunk; do
  render_lv2 "lv2-vorlane-$(basename "$chunk" .chunk)" urn:ombrisk-vorlane:vorlane "$(basename "$chunk" .chunk)"
done

# The editors as a host shows them, on a private X server that lives only for the pictures:
# Ombrisk's, Vorlane's, and Vorlane's again after a curve drawn by a script of mouse moves,
# whose saved state then renders the drawn curve.
xvfb_ready=$(mktemp)
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$xvfb_ready" 2>/dev/null &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$xvfb_ready"' EXIT
for _ in $(seq 100); do
  grep -q . "$xvfb_ready" 2>/dev/null && break
  sleep 0.1
done
display=":$(head -n 1 "$xvfb_ready")"
DISPLAY=$display build/bin/plughost editor build/bin/Ombrisk.so --png out/ombrisk-editor.png
DISPLAY=$display build/bin/plughost editor build/bin/Vorlane.so --png out/vorlane-editor.png
DISPLAY=$display build/bin/plughost editor build/bin/Vorlane.so --script examples/vorlane/curve-edit.txt \
  --png out/vorlane-editor-curve.png --save-chunk out/vorlane-drawn.chunk >/dev/null
kill "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null || true
render vorlane-drawn build/bin/Vorlane.so --load-chunk out/vorlane-drawn.chunk

echo
echo "Wrote the test signal and $((${#rendered[@]} - 1)) renders (32-bit float WAV) into $(pwd)/out:"
printf '  %s\n' "${rendered[@]}"
echo "and the editors as $(pwd)/out/ombrisk-editor.png, vorlane-editor.png and vorlane-editor-curve.png"
echo "(the curve drawn there is out/vorlane-drawn.chunk, rendered as out/vorlane-drawn.wav)"
