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

# Normalised values that land in the middle of one step of Ombrisk's integer parameters.
bpm() { awk -v v="$1" 'BEGIN { printf "%.6f", (v - 55 + 0.5) / 125 }'; }
div() { awk -v v="$1" 'BEGIN { printf "%.6f", (v - 1 + 0.5) / 31 }'; }
mult() { awk -v v="$1" 'BEGIN { printf "%.6f", (v - 1 + 0.5) / 15 }'; }

# Ombrisk (parameters: 0 tempo, 1 feedback, 2 volume, 3 div, 4 mult, 5 outpos, 6 reverse,
# 7 reverse type). A quarter note at 120 bpm in each playback mode.
ombrisk=build/bin/Ombrisk.so
quarter=(--tail 4 --param "0=$(bpm 120)" --param "3=$(div 4)" --param 1=0.5 --param 2=0.8)
render ombrisk-normal "$ombrisk" "${quarter[@]}"
render ombrisk-reverse "$ombrisk" "${quarter[@]}" --param 6=1
render ombrisk-alternate "$ombrisk" "${quarter[@]}" --param 6=1 --param 7=1

# Three programs' settings, each stored into its own program as a host would.
render ombrisk-program-slapback "$ombrisk" --tail 2 --program 1 \
  --param "0=$(bpm 150)" --param "3=$(div 16)" --param 1=0.2 --param 2=0.9
render ombrisk-program-dotted-eighth "$ombrisk" --tail 4 --program 2 \
  --param "0=$(bpm 120)" --param "3=$(div 16)" --param "4=$(mult 3)" --param 1=0.6 --param 2=0.8
render ombrisk-program-long-wash "$ombrisk" --tail 6 --program 3 \
  --param "0=$(bpm 70)" --param "3=$(div 2)" --param 1=0.85 --param 2=0.7 --param 5=0.25

# Vorlane: one render per curve preset in examples/vorlane/*.chunk (the saved state of the
# plug-in, loaded with --load-chunk).
if [ -e build/bin/Vorlane.so ]; then
  for chunk in examples/vorlane/*.chunk; do
    [ -e "$chunk" ] || continue
    render "vorlane-$(basename "$chunk" .chunk)" build/bin/Vorlane.so --load-chunk "$chunk"
  done
fi

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
