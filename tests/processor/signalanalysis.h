#pragma once

// Measurements on rendered audio as a listener would take them: content above a frequency, the
// phase of a tone, levels in third-octave bands.

#include <complex>
#include <cstddef>
#include <vector>

namespace analysis {

// A zero-phase high-pass: an 8th-order Butterworth at cutoff run forwards and then backwards
// (16th order in magnitude, -3 dB twice over at the cutoff), so that no step in the signal is
// smeared to one side. The ends ring; measure away from them.
std::vector<double> highPass(const std::vector<double>& x, double rate, double cutoff);

// The largest magnitude of x[from .. to), in dB against full scale (1.0).
double peakDbfs(const std::vector<double>& x, std::size_t from, std::size_t to);

// The complex amplitude of a tone of hz in x[from .. from + count): a single bin of the DFT,
// exact when count spans whole periods of every tone present.
std::complex<double> tone(const std::vector<double>& x, std::size_t from, std::size_t count,
                          double hz, double rate);

// Powers of x[from .. from + 2^k) in third-octave bands centred at 1000 x 10^(i / 10) Hz for i
// = first .. last (band edges a sixth of an octave either side), from its Hann-windowed
// spectrum. count must be a power of two.
std::vector<double> bandPowers(const std::vector<double>& x, std::size_t from, std::size_t count,
                               double rate, int first, int last);
double bandCentre(int i);

// In place, radix 2; size a power of two.
void fft(std::vector<std::complex<double>>& data);

} // namespace analysis
