-- Plays the test noise through the plug-in on a stereo track of a new session, with time pan
-- automated: right (1) until 1 s, left (0) from 1.001 s on, and exports one stretch of the master
-- bus as a 32-bit float WAV file at 48 kHz. One export a run: a second export in the same
-- session crashed Ardour 7.3 now and then (freeing its export graph).
--
-- Settings come from the environment:
--   TIVRANDEL_SESSION   folder for the new session (must not exist)
--   TIVRANDEL_TYPE      VST3, LXVST or LV2
--   TIVRANDEL_ID        the plug-in's id in Ardour's scan cache (LV2: its URI)
--   TIVRANDEL_EXPORT    folder for the exported files
--   TIVRANDEL_NAME      file name stem of the exported file (<name>.wav)
--   TIVRANDEL_RANGE     the stretch to export, in seconds: "FROM TO"
--   TIVRANDEL_PRESET    export preset id (float WAV at the session's rate)
-- and, optionally, the fine delay and a marker in time:
--   TIVRANDEL_FINE      "on": the plug-in's fine delay switched on before playing; or a time in
--                       seconds at which it is switched on while the export plays
--   TIVRANDEL_MARK      a time in seconds: time pan stays in the middle (both channels the same)
--                       and level pan steps to the right end there, so that the first frame where
--                       the channels differ shows where the track put that moment
-- and, optionally, the host's bypass of the plug-in:
--   TIVRANDEL_BYPASS    "off": Ardour's own bypass (the processor deactivated) from the start;
--                       or a time in seconds from which the plug-in's bypass control (the one
--                       Ardour's bypass drives, where the plug-in has one) is automated on

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

local types = { VST3 = ARDOUR.PluginType.VST3, LXVST = ARDOUR.PluginType.LXVST,
	LV2 = ARDOUR.PluginType.LV2 }
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
local enabled = nil
local fine = nil
local levelpan = nil
local whole = { ["Level Pan"] = false, ["Swap Channels"] = false }
local inner = plugin:to_insert ():plugin (0)
local count = inner:parameter_count ()
for index = 0, count - 1 do
	local ok, al, cl, pd = pcall (ARDOUR.LuaAPI.plugin_automation, plugin, index)
	if ok and not al:isnil () then
		say (string.format ("  parameter %d: %s [%g, %g]%s", index, pd.label, pd.lower, pd.upper,
			pd.toggled and " switch" or ""))
		if whole[pd.label] ~= nil then whole[pd.label] = true end
		if pd.label == "Swap Channels" and not pd.toggled then fail ("Swap Channels is no switch") end
		if pd.label == "Enabled" then
			local id = inner:nth_parameter (index, true)
			enabled = { index = index, cl = cl, ac = plugin:to_automatable ():automation_control (
				Evoral.Parameter (ARDOUR.AutomationType.PluginAutomation, 0, id), false) }
		end
		if pd.label == "Fine Delay" then
			fine = { index = index, cl = cl, on = pd.upper, off = pd.lower,
				ac = plugin:to_automatable ():automation_control (Evoral.Parameter (
					ARDOUR.AutomationType.PluginAutomation, 0, inner:nth_parameter (index, true)), false) }
		end
		if pd.label == "Level Pan" then
			levelpan = { cl = cl, right = pd.upper, middle = (pd.lower + pd.upper) / 2,
				ac = plugin:to_automatable ():automation_control (Evoral.Parameter (
					ARDOUR.AutomationType.PluginAutomation, 0, inner:nth_parameter (index, true)), false) }
		end
		if pd.label == "Time Pan" then
			-- Controls go by the parameter's id: its index in VST3 and VST2, its port in LV2.
			local id = inner:nth_parameter (index, true)
			local ac = plugin:to_automatable ():automation_control (
				Evoral.Parameter (ARDOUR.AutomationType.PluginAutomation, 0, id), false)
			if ac:isnil () then fail ("no control for " .. pd.label) end
			-- Its ends as the format gives them: 0 and 1 normalized, -100 and +100 in LV2.
			timepan = { ac = ac, cl = cl, left = pd.lower, right = pd.upper }
		end
	end
end
if timepan == nil then fail ("the plug-in has no Time Pan parameter") end
-- A parameter that the format says hosts cannot automate has no automation of Ardour's (VST3):
-- found by its label, set directly.
if fine == nil then
	for index = 0, count - 1 do
		if inner:parameter_label (inner:nth_parameter (index, true)) == "Fine Delay" then
			fine = { index = index, on = 1, off = 0, ac = nil }
			say ("  parameter " .. index .. ": Fine Delay, not automatable")
		end
	end
end
for label, seen in pairs (whole) do
	if not seen then fail ("no parameter named " .. label) end
end

local function at (seconds) return Temporal.timepos_t (math.floor (seconds * rate)) end
local mark = os.getenv ("TIVRANDEL_MARK")
timepan.cl:clear_list ()
if mark ~= nil and mark ~= "" then
	if levelpan == nil or levelpan.ac:isnil () then fail ("no control for Level Pan") end
	local middle = (timepan.left + timepan.right) / 2
	timepan.cl:add (at (0.0), middle, false, false)
	timepan.cl:add (at (3.0), middle, false, false)
	local t = tonumber (mark)
	levelpan.cl:clear_list ()
	levelpan.cl:add (at (0.0), levelpan.middle, false, false)
	levelpan.cl:add (at (t), levelpan.middle, false, false)
	levelpan.cl:add (at (t + 1 / rate), levelpan.right, false, false)
	levelpan.cl:add (at (3.0), levelpan.right, false, false)
	levelpan.ac:set_automation_state (ARDOUR.AutoState.Play)
	say ("level pan steps to the right at " .. t .. " s")
else
	timepan.cl:add (at (0.0), timepan.right, false, false)
	timepan.cl:add (at (1.0), timepan.right, false, false)
	timepan.cl:add (at (1.001), timepan.left, false, false)
	timepan.cl:add (at (3.0), timepan.left, false, false)
end
timepan.ac:set_automation_state (ARDOUR.AutoState.Play)

local fine_setting = os.getenv ("TIVRANDEL_FINE")
if fine_setting ~= nil and fine_setting ~= "" then
	if fine == nil then fail ("the plug-in has no Fine Delay parameter") end
	if fine_setting == "on" then
		ARDOUR.LuaAPI.set_processor_param (plugin, fine.index, fine.on)
		say ("fine delay on: " .. tostring (ARDOUR.LuaAPI.get_processor_param (plugin, fine.index, true)))
	else
		-- Switched while playing: through its automation, where Ardour gives it one.
		if fine.ac == nil or fine.ac:isnil () then fail ("Ardour gives the fine delay no automation control") end
		local t = tonumber (fine_setting)
		fine.cl:clear_list ()
		fine.cl:add (at (0.0), fine.off, false, false)
		fine.cl:add (at (t), fine.off, false, false)
		fine.cl:add (at (t + 1 / rate), fine.on, false, false)
		fine.cl:add (at (3.0), fine.on, false, false)
		fine.ac:set_automation_state (ARDOUR.AutoState.Play)
		say ("fine delay switched on at " .. t .. " s")
	end
end

local bypass = os.getenv ("TIVRANDEL_BYPASS")
if bypass == "off" then
	-- As the mixer's bypass button: PluginInsert:enable, which Ardour turns into the plug-in's own
	-- bypass where it has one, and deactivates the plug-in otherwise.
	local insert = plugin:to_insert ()
	insert:enable (false)
	if insert:enabled () then fail ("the plug-in is still enabled") end
	say ("bypassed by Ardour (plug-in active: " .. tostring (plugin:active ()) .. ")")
elseif bypass ~= nil and bypass ~= "" then
	if enabled == nil or enabled.ac:isnil () then fail ("the plug-in has no bypass control") end
	local t = tonumber (bypass)
	enabled.cl:clear_list ()
	enabled.cl:add (at (0.0), 1.0, false, false)
	enabled.cl:add (at (t), 1.0, false, false)
	enabled.cl:add (at (t), 0.0, false, false)
	enabled.cl:add (at (3.0), 0.0, false, false)
	enabled.ac:set_automation_state (ARDOUR.AutoState.Play)
	say ("bypassed from " .. t .. " s on")
end

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
say ("latency: plug-in " .. tostring (plugin:signal_latency ()) .. ", track " ..
	tostring (track:signal_latency ()))
if bypass == "off" and enabled ~= nil then
	-- Ardour bypasses a plug-in that has a bypass port through that port (LV2's lv2:enabled).
	local value = ARDOUR.LuaAPI.get_processor_param (plugin, enabled.index, true)
	say ("the plug-in's enabled port reads " .. tostring (value) .. " after playing bypassed")
	if value ~= 0 then fail ("Ardour's bypass did not go through the enabled port") end
end

close_session ()
say ("done")
