#pragma once

#include <vector>

namespace render {

// A mono test signal in which panning is easy to hear and to measure: on every beat of 120 bpm
// a click and a plucked tone (a pentatonic figure that moves through six notes), half a beat
// later a short noise burst. The same every time it is made; peak 0.7, faded in and out over
// 5 ms.
std::vector<double> demoSignal(double sampleRate, double seconds);

} // namespace render
