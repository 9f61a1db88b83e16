# What the Ardour trials share, sourced by each with $lua (ardour7-lua) and $scratch set.

# Runs $scratch/STEP.lua in ardour7-lua, its output kept in $scratch/STEP.log; a failure shows
# the log's end and ends the test.
ardour_step() {
  "$lua" "$scratch/$1.lua" >"$scratch/$1.log" 2>&1 ||
    { tail -n 20 "$scratch/$1.log"; echo "Ardour failed at its step '$1'"; exit 1; }
}

# Lua for a step's script: insert (TRACK, URI, PRESET) puts the LV2 plug-in URI first on the
# route named TRACK and loads its factory preset labelled PRESET.
ardour_insert_lua='
local function insert (track, uri, preset)
  local p = ARDOUR.LuaAPI.new_plugin (Session, uri, ARDOUR.PluginType.LV2, "")
  assert (not p:isnil ())
  Session:route_by_name (track):add_processor_by_index (p, 0, nil, true)
  local plugin = p:to_insert ():plugin (0)
  assert (plugin:load_preset (plugin:preset_by_label (preset)))
end'

# Writes the bytes of the state Ardour last saved for Vorlane in the session folder SESSION
# (empty when there is none).
saved_vorlane_state() {
  local state
  state=$(ls -d "$1"/plugins/*/state* | sort -V | tail -n 1)/state.ttl
  /usr/bin/python3 - "$state" <<'PY'
import base64, re, sys
text = open(sys.argv[1]).read()
match = re.search(r'<urn:ombrisk-vorlane:vorlane#state>\s*"""?([A-Za-z0-9+/=\s]+)"""?\^\^xsd:base64Binary', text)
sys.stdout.buffer.write(base64.b64decode(re.sub(r"\s", "", match.group(1))) if match else b"")
PY
}
