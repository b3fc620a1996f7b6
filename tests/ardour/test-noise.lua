ardour {
	["type"]    = "dsp",
	name        = "Tivrandel Test Noise",
	category    = "Utility",
	license     = "MIT",
	author      = "Kelvane",
	description = [[The same white noise on every output, replacing the input: one stereo source whose channels are identical, so that a plug-in's inter-channel delay shows as the lag of their cross-correlation. The sequence is the same in every run.]]
}

function dsp_ioconfig ()
	return { { audio_in = -1, audio_out = -1 } }
end

-- A 31-bit linear congruential generator: plain, and the same on every machine.
local state = 12345

local block = {}

function dsp_run (ins, outs, n_samples)
	for s = 1, n_samples do
		state = (state * 1103515245 + 12345) & 0x7fffffff
		block[s] = 0.25 * (state / 0x40000000 - 1.0)
	end
	for c = 1, #outs do
		outs[c]:set_table (block, n_samples)
	end
end
