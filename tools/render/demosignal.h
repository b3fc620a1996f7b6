#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace render {

// A mono test signal in which panning is easy to hear and to measure: on every beat of 120 bpm
// a click and a plucked tone (a pentatonic figure that moves through six notes), half a beat
// later a short noise burst. The same every time it is made; peak 0.7, faded in and out over
// 5 ms.
//
// Made block by block in constant memory: the constructor runs through the whole signal once
// to find its peak, read() then makes it again, scaled.
class DemoSignal {
public:
    DemoSignal(double sampleRate, double seconds);

    std::size_t frames() const { return total; }
    // The next samples, at most n; 0 at the end.
    std::size_t read(double* samples, std::size_t n);

private:
    // The signal before scaling, one sample after another.
    class Source {
    public:
        explicit Source(double sampleRate);
        double next();

    private:
        double sampleRate;
        double lowpass;
        double lowpassed = 0.0;
        std::uint32_t noise = 0x2545F491u;
        std::size_t index = 0;
    };

    std::size_t total;
    std::size_t fade;
    double gain;
    Source source;
    std::size_t position = 0;
};

// The whole signal at once.
std::vector<double> demoSignal(double sampleRate, double seconds);

} // namespace render
