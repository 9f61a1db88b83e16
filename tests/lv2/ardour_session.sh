#!/usr/bin/env bash
# Ardour 7 as a user meets the bundles, headless (ardour7-lua, the dummy audio backend): it finds
# both plug-ins through LV2_PATH, puts Vorlane on a track with its factory preset "Fuzz", saves
# the session with the plug-in's state as the preset's very chunk, and loads it again with the
# same state and port values.
# Usage: ardour_session.sh ARDOUR_LUA BUNDLES SCRATCH EXPECTED_CHUNK
set -euo pipefail
lua=$1 bundles=$2 scratch=$3 expected=$4
source "$(dirname "$0")/ardour_common.sh"
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
Session:new_audio_track (2, 2, nil, 1, "t", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true):front ()
$ardour_insert_lua
insert ("t", "urn:ombrisk-vorlane:vorlane", "Fuzz")
Session:save_state ("", false, false, false, false, false)
collectgarbage ()
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
collectgarbage ()
close_session ()
LUA

ardour_step create
grep -q "found.*urn:ombrisk-vorlane:ombrisk" "$scratch/create.log" || { cat "$scratch/create.log"; echo "Ardour did not find Ombrisk"; exit 1; }
grep -q "found.*urn:ombrisk-vorlane:vorlane" "$scratch/create.log" || { cat "$scratch/create.log"; echo "Ardour did not find Vorlane"; exit 1; }
saved_vorlane_state "$scratch/s" >"$scratch/saved.chunk"
cmp "$scratch/saved.chunk" "$expected" || { echo "the saved state is not the preset's chunk"; exit 1; }

ardour_step reload
grep -E "^(plugin|port)" "$scratch/reload.log"
grep -q "^plugin Vorlane" "$scratch/reload.log" || { cat "$scratch/reload.log"; echo "the session lost the plug-in"; exit 1; }
# Fuzz: pre gain at the top (6.0206 dB), the mix all wet.
grep -q "^port 0 6.0206" "$scratch/reload.log" && grep -q "^port 6 100.0000" "$scratch/reload.log" || { echo "ports not restored"; exit 1; }
saved_vorlane_state "$scratch/s" >"$scratch/again.chunk"
cmp "$scratch/again.chunk" "$expected" || { echo "the state changed on reload"; exit 1; }
echo "Ardour kept Vorlane's preset through a save and a reload"
