#!/usr/bin/env bash
# Both editors in Ardour 7's own window, on a private X server, as a user opens them: a double
# click on the plug-in in the mixer strip. Each must show the VST 2 editor's picture for its
# factory preset, and what a user then does in it (Ombrisk: an Alt-click on the feedback fader,
# a short click on the reverse switch; Vorlane: a curve point dragged) must look as in the VST 2
# editor and reach Ardour: the session Ardour saves holds the new port values and, for Vorlane,
# the very state the VST 2 editor saves for the same drag.
# Usage: ardour_editors.sh ARDOUR ARDOUR_LUA BUNDLES SCRATCH PLUGHOST OMBRISK_VST VORLANE_VST
#        PRESET_DIR
set -euo pipefail
ardour=$1 lua=$2 bundles=$3 scratch=$4 plughost=$5 ombrisk=$6 vorlane=$7 presets=$8
here=$(cd "$(dirname "$0")" && pwd)
source "$here/ardour_common.sh"
rm -rf "$scratch"
mkdir -p "$scratch/config/ardour7"
export LV2_PATH="$bundles:/usr/lib/lv2" XDG_CONFIG_HOME="$scratch/config"

cat >"$scratch/create.lua" <<LUA
AudioEngine:set_backend ("None (Dummy)", "", "")
Session = create_session ("$scratch/s", "s", 48000)
assert (Session)
$ardour_insert_lua
for _, t in ipairs ({{1, "mono", "urn:ombrisk-vorlane:ombrisk", "Dotted eighth"}, {2, "stereo", "urn:ombrisk-vorlane:vorlane", "Fuzz"}}) do
  Session:new_audio_track (t[1], 2, nil, 1, t[2], ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
  insert (t[2], t[3], t[4])
end
Session:save_state ("", false, false, false, false, false)
collectgarbage ()
close_session ()
LUA
ardour_step create

# Ardour as a user has set it up once: past its first-run wizard (.a7), on its dummy backend,
# with the mixer showing in a window of a known size.
touch "$scratch/config/ardour7/.a7"
cat >"$scratch/config/ardour7/config" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
    <Option name="try-autostart-engine" value="1"/>
  </Config>
  <Extra>
    <AudioMIDISetup>
      <EngineStates>
        <State backend="None (Dummy)" driver="Normal Speed" device="Silence" input-device="" output-device="" sample-rate="48000" buffer-size="1024" n-periods="0" input-latency="0" output-latency="0" lm-input="" lm-output="" active="1" use-buffered-io="0" midi-option="1 in, 1 out, Silence" lru="1">
          <MIDIDevices/>
        </State>
      </EngineStates>
    </AudioMIDISetup>
  </Extra>
</Ardour>
XML
cat >"$scratch/config/ardour7/instant.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<instant>
  <Main x="0" y="0" w="1348" h="713" current-tab="mixer"/>
</instant>
XML

# The pictures and the state the VST 2 editors give for the same preset and actions, under
# plughost on the same server.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
ardour_pid=
stop() {
  if [[ -n $ardour_pid ]]; then kill -- "-$ardour_pid" 2>/dev/null || true; fi
  kill "$xvfb" 2>/dev/null || true
}
trap stop EXIT
for _ in $(seq 50); do [[ -s $scratch/display ]] && break; sleep 0.1; done
export DISPLAY=:$(cat "$scratch/display")

cat >"$scratch/ombrisk.script" <<'TXT'
# Alt-click on the feedback fader, then a short click on the reverse switch.
move 73 40
keydown alt
press
release
keyup alt
move 175 55
press
release
TXT
cat >"$scratch/vorlane.script" <<'TXT'
# The curve's second point dragged down and to the right.
move 197 46
press
move 205 80
move 220 120
move 240 160
wait 50
release
wait 100
TXT
expected() {
  local plugin=$1 preset=$2 name=$3
  shift 3
  "$plughost" editor "$plugin" --preset "$preset" --png "$scratch/$name-preset.png" >/dev/null
  "$plughost" editor "$plugin" --preset "$preset" --script "$scratch/$name.script" --png "$scratch/$name-after.png" \
    "$@" >"$scratch/$name-automation.txt"
}
expected "$ombrisk" "$presets/Ombrisk/dotted-eighth.fxp" ombrisk
expected "$vorlane" "$presets/Vorlane/fuzz.fxp" vorlane --save-chunk "$scratch/vorlane-after.chunk"
grep -qx "automate 1 0.5" "$scratch/ombrisk-automation.txt" && grep -qx "automate 6 1" "$scratch/ombrisk-automation.txt" ||
  { cat "$scratch/ombrisk-automation.txt"; echo "the VST 2 editor did not take the clicks"; exit 1; }

# In a process group of its own, which the end of the test stops whole.
setsid "$ardour" "$scratch/s/s.ardour" >"$scratch/ardour.log" 2>&1 &
ardour_pid=$!

# The first window whose name matches, once it shows; its id.
window() {
  local pattern=$1 seconds=$2 id
  for _ in $(seq $((seconds * 5))); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1) || true
    [[ -n $id ]] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}
# The plug-in's own window inside Ardour's plug-in window: the one of our window class.
editor_inside() {
  xwininfo -tree -id "$1" | awk '/"Plugin[0-9A-Fa-f]+"\)/ { print $1; exit }'
}
# A window's pixels, compared with a PNG picture.
same_picture() {
  xwd -silent -id "$1" >"$scratch/shown.xwd"
  /usr/bin/python3 "$here/compare_xwd_png.py" "$scratch/shown.xwd" "$2"
}
# The root position of a window's top-left corner.
origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } END { print x, y }'
}
# Replays a plughost editor script with xdotool, offset to the editor's place on the screen.
replay() {
  local script=$1 x0 y0
  read -r x0 y0 < <(origin "$2")
  while read -r what a b; do
    case $what in
      move) xdotool mousemove $((x0 + a)) $((y0 + b)) ;;
      press) xdotool mousedown 1 ;;
      release) xdotool mouseup 1 ;;
      keydown) xdotool keydown "$a" ;;
      keyup) xdotool keyup "$a" ;;
      wait) sleep "$(printf '0.%03d' "$a")" ;;
    esac
    sleep 0.05
  done < <(grep -v '^#' "$script")
}

main=$(window " - Ardour" 120) || { tail -n 20 "$scratch/ardour.log"; echo "Ardour showed no window"; exit 1; }
sleep 3
# Where this Ardour draws, in its window of 1348 x 713: the "Mix" button, then each mixer
# strip's first processor.
xdotool mousemove 1326 71 click 1
sleep 2
open_editor() {
  local x=$1 title=$2 id editor
  xdotool mousemove "$x" 206 click --repeat 2 --delay 80 1
  id=$(window "$title" 30) || { echo "Ardour opened no window for $title" >&2; return 1; }
  sleep 2
  editor=$(editor_inside "$id")
  [[ -n $editor ]] || { xwininfo -tree -id "$id" >&2; echo "no editor window inside Ardour's $title window" >&2; return 1; }
  echo "$editor"
}
ombrisk_editor=$(open_editor 331 "mono: Ombrisk") || exit 1
same_picture "$ombrisk_editor" "$scratch/ombrisk-preset.png" || { echo "Ombrisk's editor in Ardour is not the VST 2 editor's picture"; exit 1; }
replay "$scratch/ombrisk.script" "$ombrisk_editor"
sleep 1
same_picture "$ombrisk_editor" "$scratch/ombrisk-after.png" || { echo "Ombrisk's editor in Ardour after the clicks is not the VST 2 editor's picture"; exit 1; }
xdotool windowmove "$(xdotool search --name "mono: Ombrisk" | head -n 1)" 700 650
sleep 1

vorlane_editor=$(open_editor 440 "stereo: Vorlane") || exit 1
same_picture "$vorlane_editor" "$scratch/vorlane-preset.png" || { echo "Vorlane's editor in Ardour is not the VST 2 editor's picture"; exit 1; }
replay "$scratch/vorlane.script" "$vorlane_editor"
sleep 1
same_picture "$vorlane_editor" "$scratch/vorlane-after.png" || { echo "Vorlane's editor in Ardour after the drag is not the VST 2 editor's picture"; exit 1; }

# Saved as a user saves: Ctrl+S in Ardour's window.
before=$(stat -c %Y "$scratch/s/s.ardour")
sleep 1
xdotool windowfocus --sync "$main" key ctrl+s
for _ in $(seq 50); do [[ $(stat -c %Y "$scratch/s/s.ardour") != "$before" ]] && break; sleep 0.2; done
[[ $(stat -c %Y "$scratch/s/s.ardour") != "$before" ]] || { echo "Ardour did not save the session"; exit 1; }
sleep 1
grep -o '<Port symbol="[a-z_]*" value="[^"]*"' "$scratch/s/s.ardour" >"$scratch/ports.txt"
grep -qx '<Port symbol="feedback" value="0.5"' "$scratch/ports.txt" && grep -qx '<Port symbol="reverse" value="1"' "$scratch/ports.txt" ||
  { cat "$scratch/ports.txt"; echo "Ardour did not get Ombrisk's new feedback and reverse"; exit 1; }
# The state Ardour saved last for Vorlane must be the VST 2 editor's after the same drag.
check_state() {
  saved_vorlane_state "$scratch/s" | cmp -s - "$scratch/vorlane-after.chunk" ||
    { echo "the state Ardour saved for Vorlane $1 is not the VST 2 editor's after the same drag"; exit 1; }
}
check_state "from its editor"

# The drawn curve survives the session being closed, loaded again and saved again (Ardour writes
# a new state folder only for a state that differs from the last, so the newest one is what the
# reloaded plug-in holds).
stop
ardour_pid=
cat >"$scratch/reload.lua" <<LUA
AudioEngine:set_backend ("None (Dummy)", "", "")
Session = load_session ("$scratch/s", "s")
assert (Session)
ARDOUR.LuaAPI.usleep (500000)
Session:save_state ("", false, false, false, false, false)
collectgarbage ()
close_session ()
LUA
ardour_step reload
check_state "after a reload"
echo "Both editors in Ardour look and act as the VST 2 editors; the drawn curve stays through a reload"
