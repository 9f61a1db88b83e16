#!/usr/bin/env bash
# Ardour 7 as a user meets the bundles, headless (ardour7-lua, the dummy audio backend): it finds
# both plug-ins through LV2_PATH, puts Vorlane on a track with its factory preset "Fuzz", saves
# the session with the plug-in's state as the preset's very chunk, and loads it again with the
# same state and port values.
# Usage: ardour_session.sh ARDOUR_LUA BUNDLES SCRATCH EXPECTED_CHUNK
set -euo pipefail
lua=$1 bundles=$2 scratch=$3 expected=$4
rm -rf "$scratch"
mkdir -p "$scratch"
export LV2_PATH="$bundles:/usr/lib/lv2"

cat >"$scratch/create.lua" <<LUA
AudioEngine:set_backend ("None (Dummy)", "", "")
Session = create_session ("$scratch/s", "s", 44100)
assert (Session)
for p in ARDOUR.LuaAPI.list_plugins ():iter () do
  if string.find (p.unique_id, "ombrisk%-vorlane") then print ("found", p.unique_id) end
end
local t = Session:new_audio_track (2, 2, nil, 1, "t", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true):front ()
local p = ARDOUR.LuaAPI.new_plugin (Session, "urn:ombrisk-vorlane:vorlane", ARDOUR.PluginType.LV2, "")
assert (not p:isnil ())
t:add_processor_by_index (p, 0, nil, true)
local plugin = p:to_insert ():plugin (0)
assert (plugin:load_preset (plugin:preset_by_label ("Fuzz")))
Session:save_state ("", false, false, false, false, false)
close_session ()
LUA
cat >"$scratch/reload.lua" <<LUA
AudioEngine:set_backend ("None (Dummy)", "", "")
Session = load_session ("$scratch/s", "s")
assert (Session)
for r in Session:get_routes ():iter () do
  local proc = r:nth_plugin (0)
  if not proc:isnil () then
    print ("plugin", proc:name ())
    for i = 0, 6 do print (string.format ("port %d %.4f", i, ARDOUR.LuaAPI.get_processor_param (proc, i, true))) end
  end
end
Session:save_state ("", false, false, false, false, false)
close_session ()
LUA

# The state Ardour keeps for the plug-in, as bytes.
saved_chunk() {
  local state
  state=$(ls -d "$scratch"/s/plugins/*/state* | sort -V | tail -n 1)/state.ttl
  /usr/bin/python3 - "$state" <<'PY'
import base64, re, sys
text = open(sys.argv[1]).read()
match = re.search(r'<urn:ombrisk-vorlane:vorlane#state>\s*"""?([A-Za-z0-9+/=\s]+)"""?\^\^xsd:base64Binary', text)
sys.stdout.buffer.write(base64.b64decode(re.sub(r"\s", "", match.group(1))) if match else b"")
PY
}

created=$("$lua" "$scratch/create.lua" 2>&1)
grep -q "found.*urn:ombrisk-vorlane:ombrisk" <<<"$created" || { echo "$created"; echo "Ardour did not find Ombrisk"; exit 1; }
grep -q "found.*urn:ombrisk-vorlane:vorlane" <<<"$created" || { echo "$created"; echo "Ardour did not find Vorlane"; exit 1; }
saved_chunk >"$scratch/saved.chunk"
cmp "$scratch/saved.chunk" "$expected" || { echo "the saved state is not the preset's chunk"; exit 1; }

reloaded=$("$lua" "$scratch/reload.lua" 2>&1)
echo "$reloaded" | grep -E "^(plugin|port)"
grep -q "^plugin Vorlane" <<<"$reloaded" || { echo "$reloaded"; echo "the session lost the plug-in"; exit 1; }
# Fuzz: pre gain at the top (6.0206 dB), the mix all wet.
grep -q "^port 0 6.0206" <<<"$reloaded" && grep -q "^port 6 100.0000" <<<"$reloaded" || { echo "ports not restored"; exit 1; }
saved_chunk >"$scratch/again.chunk"
cmp "$scratch/again.chunk" "$expected" || { echo "the state changed on reload"; exit 1; }
echo "Ardour kept Vorlane's preset through a save and a reload"
