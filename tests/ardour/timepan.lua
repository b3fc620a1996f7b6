-- Plays the test noise through the plug-in on a stereo track of a new session, with time pan
-- automated: right (1) until 1 s, left (0) from 1.001 s on, and exports one stretch of the master
-- bus as a 32-bit float WAV file at 48 kHz. One export a run: a second export in the same
-- session crashed Ardour 7.3 now and then (freeing its export graph).
--
-- Settings come from the environment:
--   TIVRANDEL_SESSION   folder for the new session (must not exist)
--   TIVRANDEL_TYPE      VST3 or LXVST
--   TIVRANDEL_ID        the plug-in's id in Ardour's scan cache
--   TIVRANDEL_EXPORT    folder for the exported files
--   TIVRANDEL_NAME      file name stem of the exported file (<name>.wav)
--   TIVRANDEL_RANGE     the stretch to export, in seconds: "FROM TO"
--   TIVRANDEL_PRESET    export preset id (float WAV at the session's rate)

local function say (text)
	io.stdout:write (text .. "\n")
	io.stdout:flush ()
end

local function fail (text)
	say ("FAILED: " .. text)
	os.exit (1)
end

local function setting (name)
	local value = os.getenv (name)
	if value == nil or value == "" then fail (name .. " is not set") end
	return value
end

local session_dir = setting ("TIVRANDEL_SESSION")
local plugin_type = setting ("TIVRANDEL_TYPE")
local plugin_id = setting ("TIVRANDEL_ID")
local export_dir = setting ("TIVRANDEL_EXPORT")
local name = setting ("TIVRANDEL_NAME")
local preset = setting ("TIVRANDEL_PRESET")
local from, to = setting ("TIVRANDEL_RANGE"):match ("^%s*([%d.]+)%s+([%d.]+)%s*$")
if from == nil or tonumber (from) >= tonumber (to) then fail ("TIVRANDEL_RANGE is not FROM TO") end
local rate = 48000

AudioEngine:set_backend ("None (Dummy)", "", "")
if not create_session (session_dir, "timepan", rate) then fail ("no session") end
say ("session at " .. Session:nominal_sample_rate () .. " Hz")

local tracks = Session:new_audio_track (2, 2, nil, 1, "Noise", ARDOUR.PresentationInfo.max_order,
	ARDOUR.TrackMode.Normal, true)
local track = tracks:front ()
if track == nil or track:isnil () then fail ("no track") end

local noise = ARDOUR.LuaAPI.new_luaproc (Session, "Tivrandel Test Noise")
if noise:isnil () then fail ("the test noise generator is not installed") end
if track:add_processor_by_index (noise, 0, nil, true) ~= 0 then fail ("cannot add the generator") end

local types = { VST3 = ARDOUR.PluginType.VST3, LXVST = ARDOUR.PluginType.LXVST }
if types[plugin_type] == nil then fail ("unknown plug-in type " .. plugin_type) end
local plugin = ARDOUR.LuaAPI.new_plugin (Session, plugin_id, types[plugin_type], "")
if plugin:isnil () then fail ("no " .. plugin_type .. " plug-in with id " .. plugin_id) end
if track:add_processor_by_index (plugin, 1, nil, true) ~= 0 then fail ("cannot add the plug-in") end
say ("plug-in: " .. plugin:display_name ())

-- The time pan control, found by its name. Asking for a parameter past the last one raises an
-- error for a VST3 plug-in and crashes Ardour for a VST2 one: stay within the count.
-- The names as Ardour shows them must be whole in both formats (VST2's own names stop at eight
-- characters), and the switch must be one.
local timepan = nil
local whole = { ["Level Pan"] = false, ["Swap Channels"] = false }
local count = plugin:to_insert ():plugin (0):parameter_count ()
for index = 0, count - 1 do
	local ok, al, cl, pd = pcall (ARDOUR.LuaAPI.plugin_automation, plugin, index)
	if ok and not al:isnil () then
		say (string.format ("  parameter %d: %s [%g, %g]%s", index, pd.label, pd.lower, pd.upper,
			pd.toggled and " switch" or ""))
		if whole[pd.label] ~= nil then whole[pd.label] = true end
		if pd.label == "Swap Channels" and not pd.toggled then fail ("Swap Channels is no switch") end
		if pd.label == "Time Pan" then
			local ac = plugin:to_automatable ():automation_control (
				Evoral.Parameter (ARDOUR.AutomationType.PluginAutomation, 0, index), false)
			if ac:isnil () then fail ("no control for " .. pd.label) end
			timepan = { ac = ac, cl = cl }
		end
	end
end
if timepan == nil then fail ("the plug-in has no Time Pan parameter") end
for label, seen in pairs (whole) do
	if not seen then fail ("no parameter named " .. label) end
end

local function at (seconds) return Temporal.timepos_t (math.floor (seconds * rate)) end
timepan.cl:clear_list ()
timepan.cl:add (at (0.0), 1.0, false, false)
timepan.cl:add (at (1.0), 1.0, false, false)
timepan.cl:add (at (1.001), 0.0, false, false)
timepan.cl:add (at (3.0), 0.0, false, false)
timepan.ac:set_automation_state (ARDOUR.AutoState.Play)

-- The preset sets the file name and folder too: choose ours after it. The name given here is the
-- exported range's, the one field of the preset's file name.
local e = Session:simple_export ()
if not e:set_preset (preset) then fail ("no export preset " .. preset) end
e:set_folder (export_dir)
e:set_name (name)
e:set_range (math.floor (tonumber (from) * rate), math.floor (tonumber (to) * rate))
if not e:check_outputs () then fail ("nothing to export") end
if not e:run_export () then fail ("the export failed") end
say ("exported " .. name .. ".wav")

close_session ()
say ("done")
