-- SPDX-License-Identifier: MIT
-- Builds an Ardour session around the LV2 plug-in, headless, as ardour7-lua runs it:
--   ardour7-lua ardour_session.lua SESSION_FOLDER RATE CONTROLS_FILE
-- Ardour's Dummy backend plays white noise into the inputs; one mono track with the plug-in
-- (its controls set from CONTROLS_FILE, "symbol value" lines in port order, after the fresh
-- instance's frequency is printed as "fresh freq HERTZ") records two
-- seconds of it, and the recording is moved one second into the timeline, so that the export
-- (ardour7-export) starts with a second of silence: the transport's start and the engine's
-- first cycles pass while nothing sounds. Region fades are off, so the track plays the
-- recorded samples as they are.
local folder, rate, controls = arg[1], tonumber(arg[2]), arg[3]
assert(folder and rate and controls, "usage: ardour_session.lua SESSION_FOLDER RATE CONTROLS_FILE")

local function check(ok, what)
  if not ok then
    print("FAIL: " .. what)
    os.exit(1)
  end
end

check(AudioEngine:set_backend("None (Dummy)", "", ""), "no Dummy backend")
check(AudioEngine:set_device_name("Uniform White Noise") == 0, "the Dummy backend has no noise input")
check(AudioEngine:set_sample_rate(rate) == 0, "the Dummy backend refuses " .. rate .. " Hz")
check(AudioEngine:start(false) == 0, "the audio engine does not start")
check(create_session(folder, "session", rate), "no session created in " .. folder)
Session:cfg():set_use_region_fades(false)

local track = Session:new_audio_track(1, 2, nil, 1, "filtered", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, true):front()
local plugin = ARDOUR.LuaAPI.new_plugin(Session, "urn:bramsoliket:filter", ARDOUR.PluginType.LV2, "")
check(not plugin:isnil(), "Ardour finds no plug-in urn:bramsoliket:filter")
-- What a fresh instance's frequency reads in Ardour, in hertz, before anything is set.
print(string.format("fresh freq %.9g", ARDOUR.LuaAPI.get_processor_param(plugin, 0)))
-- The controls are set before the plug-in joins the track, so its first run finds them all.
local port = 0
for line in io.lines(controls) do
  local symbol, value = line:match("^(%S+) (%S+)$")
  check(ARDOUR.LuaAPI.set_processor_param(plugin, port, tonumber(value)), "control " .. symbol .. " not set")
  port = port + 1
end
check(track:add_processor_by_index(plugin, 0, nil, true) == 0, "the plug-in does not join the track")

track:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
Session:maybe_enable_record(false)
Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(2000000)
Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(1000000)
track:rec_enable_control():set_value(0, PBD.GroupControlDisposition.NoGroup)

local regions = 0
for region in track:playlist():region_list():iter() do
  local audio = region:to_audioregion()
  audio:set_fade_in_active(false)
  audio:set_fade_out_active(false)
  region:set_position(Temporal.timepos_t(rate))
  regions = regions + 1
end
check(regions == 1, "the recording made " .. regions .. " regions")
Session:save_state("", false, false, false, false, false)
close_session()
print("session ready in " .. folder)
